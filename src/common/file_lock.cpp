#include "common/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <thread>

#include "common/kb_error.h"

namespace kb {

FileLock::FileLock(const std::filesystem::path& lock_file, std::chrono::milliseconds patience) {
  // Every account that may write beside the lock file may take the lock; an
  // account that cannot write the lock file can still lock it read-only.
  fd_ = ::open(lock_file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd_ < 0) fd_ = ::open(lock_file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0)
    throw file_access("Cannot open the lock file " + lock_file.string() + ": " +
                      std::strerror(errno));
  const auto deadline = std::chrono::steady_clock::now() + patience;
  while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    const int err = errno;
    if (err == EINTR) continue;
    if (err != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
      ::close(fd_);
      fd_ = -1;
      if (err == EWOULDBLOCK)
        throw permission_denied("Another Kitebrook window is busy with " +
                                lock_file.filename().replace_extension().string() +
                                "; try again in a moment");
      throw file_access("Cannot lock " + lock_file.string() + ": " + std::strerror(err));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

FileLock::~FileLock() {
  if (fd_ >= 0) ::close(fd_);  // closing the file releases the lock
}

}  // namespace kb
