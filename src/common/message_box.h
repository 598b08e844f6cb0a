#pragma once

#include <string>

namespace kb {

// A modal message with one OK button, titled with the program's name. The
// call returns once the person has answered it.
class MessageBox {
 public:
  virtual ~MessageBox() = default;
  virtual void show(const std::string& text) = 0;
};

}  // namespace kb
