#pragma once

#include <iostream>
#include <string>

#include "common/message_box.h"

namespace kbtest {

// For the test drivers run as child processes: messages go to standard error.
class ErrorStreamBox : public kb::MessageBox {
 public:
  void show(const std::string& text) override {
    std::cerr << text << '\n';
    failed = true;
  }
  bool failed = false;
};

}  // namespace kbtest
