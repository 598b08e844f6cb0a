#pragma once

#include <signal.h>
#include <sys/resource.h>

#include <stdexcept>

namespace kbtest {

// While it lives, writes past `bytes` fail as on a full disk (a size limit binds root too).
class FullDisk {
 public:
  explicit FullDisk(rlim_t bytes = 64) {
    if (getrlimit(RLIMIT_FSIZE, &old_limit_) != 0) throw std::runtime_error("getrlimit failed");
    old_handler_ = signal(SIGXFSZ, SIG_IGN);
    rlimit small = old_limit_;
    small.rlim_cur = bytes;
    if (setrlimit(RLIMIT_FSIZE, &small) != 0) throw std::runtime_error("setrlimit failed");
  }
  ~FullDisk() {
    setrlimit(RLIMIT_FSIZE, &old_limit_);
    signal(SIGXFSZ, old_handler_);
  }
  FullDisk(const FullDisk&) = delete;
  FullDisk& operator=(const FullDisk&) = delete;

 private:
  rlimit old_limit_{};
  sighandler_t old_handler_{};
};

}  // namespace kbtest
