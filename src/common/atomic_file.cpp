#include "common/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "common/kb_error.h"

namespace kb {
namespace {

Error io_error(const std::string& what, const std::filesystem::path& path, int err) {
  return Error(75, what + " " + path.string() + ": " + std::strerror(err));
}

// Closes the descriptor and removes the temporary file unless released.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::filesystem::path& target) : path_(target.string() + ".XXXXXX") {
    fd_ = ::mkstemp(path_.data());
    if (fd_ < 0) throw io_error("Cannot create a temporary file beside", target, errno);
  }
  ~TemporaryFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!released_) ::unlink(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  int fd() const { return fd_; }
  const std::string& path() const { return path_; }
  void close_checked() {
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) throw io_error("Cannot close", path_, errno);
  }
  void release() { released_ = true; }

 private:
  std::string path_;
  int fd_ = -1;
  bool released_ = false;
};

void write_all(int fd, std::string_view contents, const std::string& path) {
  while (!contents.empty()) {
    const ssize_t written = ::write(fd, contents.data(), contents.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      throw io_error("Cannot write", path, errno);
    }
    contents.remove_prefix(static_cast<std::size_t>(written));
  }
}

}  // namespace

void write_file_atomically(const std::filesystem::path& target, std::string_view contents) {
  TemporaryFile temp(target);
  write_all(temp.fd(), contents, temp.path());
  // A new file keeps the permissions an existing one had, so that a parent's
  // file stays readable by the pages and by the parent's editor.
  struct stat old_stat {};
  const mode_t mode = ::stat(target.c_str(), &old_stat) == 0 ? (old_stat.st_mode & 07777) : 0644;
  if (::fchmod(temp.fd(), mode) != 0)
    throw io_error("Cannot set permissions of", temp.path(), errno);
  if (::fsync(temp.fd()) != 0) throw io_error("Cannot flush", temp.path(), errno);
  temp.close_checked();
  if (::rename(temp.path().c_str(), target.c_str()) != 0)
    throw io_error("Cannot replace", target, errno);
  temp.release();
  // Make the rename itself durable.
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
  const int dir_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (dir_fd >= 0) {
    ::fsync(dir_fd);
    ::close(dir_fd);
  }
}

}  // namespace kb
