#include "platform/signal_guard.h"

#include <iostream>

namespace kb::gtk {

void report_callback_failure(const char* what, const std::exception& failure) {
  std::cerr << "kitebrook: " << what << " failed: " << failure.what() << '\n';
}

void report_callback_failure(const char* what) {
  std::cerr << "kitebrook: " << what << " failed\n";
}

}  // namespace kb::gtk
