#pragma once

#include <stdexcept>
#include <string>

namespace kb {

// A failure inside the program. It carries what the traps need to build their
// messages: a description, a number and the source that raised it.
class Error : public std::runtime_error {
 public:
  Error(int number, std::string description, std::string source = "Kitebrook");

  int number() const { return number_; }
  const std::string& description() const { return description_; }
  const std::string& source() const { return source_; }

 private:
  int number_;
  std::string description_;
  std::string source_;
};

// A node that a path query did not find was used as a node.
Error object_not_set();
// A number outside the range of the integer it must fit.
Error overflow();
// A text that had to be a number was not one.
Error type_mismatch();

}  // namespace kb
