#pragma once

#include <ctime>

namespace kb {

// Wrong entries on the password page in a row. After the fifth, entries are
// refused for a short wait, which doubles with every wrong entry after it
// (15 seconds, 30, 60, ... at most 5 minutes); a correct entry starts over.
class PasswordAttempts {
 public:
  // Seconds still to wait before an entry is taken; 0 when one is taken now.
  long wait_seconds(std::time_t now) const;
  void wrong(std::time_t now);
  void correct();

 private:
  int wrong_in_a_row_ = 0;
  std::time_t refused_until_ = 0;
};

}  // namespace kb
