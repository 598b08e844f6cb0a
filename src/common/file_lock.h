#pragma once

#include <chrono>
#include <filesystem>

namespace kb {

// An exclusive advisory lock on a lock file, held from construction to
// destruction. It serialises a read-modify-write of a shared file across
// processes (two sessions on one folder); the lock file itself holds nothing.
class FileLock {
 public:
  // Waits up to `patience` for the lock, creating the lock file when it is
  // missing. Throws kb::Error when the file cannot be opened or another
  // process keeps the lock longer than that.
  FileLock(const std::filesystem::path& lock_file, std::chrono::milliseconds patience);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  int fd_ = -1;
};

}  // namespace kb
