#include "common/atomic_file.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>

#include "common/kb_error.h"

namespace kb {
namespace {

Error io_error(const std::string& what, const std::filesystem::path& path, int err) {
  return file_access(what + " " + path.string() + ": " + std::strerror(err));
}

// Temporary files are named ".<target name>.kb-tmp-XXXXXX" beside the target:
// hidden, and plainly this program's own.
constexpr std::string_view kTemporaryMark = ".kb-tmp-";
constexpr std::size_t kRandomPart = 6;

std::string temporary_prefix(const std::filesystem::path& target) {
  // Appended piece by piece: GCC 12 misreports "." + name as an overlapping
  // copy when the package's hardening flags are on.
  std::string prefix(1, '.');
  prefix += target.filename().string();
  prefix += kTemporaryMark;
  return prefix;
}

bool is_random_part(std::string_view text) {
  if (text.size() != kRandomPart) return false;
  for (const char c : text)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
  return true;
}

// The permissions the new file gets: those of the file it replaces.
mode_t mode_for(const std::filesystem::path& target) {
  struct stat old_stat {};
  return ::stat(target.c_str(), &old_stat) == 0 ? (old_stat.st_mode & 07777) : 0644;
}

// A name for a temporary file that no other file in the folder is likely to have.
std::string random_part() {
  static constexpr char kLetters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  unsigned char bytes[kRandomPart];
  if (::getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes))
    throw file_access(std::string("Cannot make a temporary file name: ") + std::strerror(errno));
  std::string text;
  for (const unsigned char b : bytes) text += kLetters[b % (sizeof kLetters - 1)];
  return text;
}

// Closes the descriptor and removes the temporary file unless released. The
// file is created with the permissions it will keep, so that one left by a
// crash is never more open than the file it was to replace.
class TemporaryFile {
 public:
  TemporaryFile(const std::filesystem::path& target, mode_t mode) {
    const std::string prefix = (target.parent_path() / temporary_prefix(target)).string();
    for (int attempt = 0; fd_ < 0; ++attempt) {
      path_ = prefix + random_part();
      fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
      if (fd_ < 0 && (errno != EEXIST || attempt > 100))
        throw io_error("Cannot create a temporary file beside", target, errno);
    }
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
  write_file_atomically(target, contents, target);
}

void write_file_atomically(const std::filesystem::path& target, std::string_view contents,
                           const std::filesystem::path& permissions_of) {
  // A new file keeps the permissions an existing one had, so that a parent's
  // file stays readable by the pages and by the parent's editor. The mask of
  // the process may have narrowed them at creation; they are set exactly
  // before anything is written.
  const mode_t mode = mode_for(permissions_of);
  TemporaryFile temp(target, mode);
  if (::fchmod(temp.fd(), mode) != 0)
    throw io_error("Cannot set permissions of", temp.path(), errno);
  write_all(temp.fd(), contents, temp.path());
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

namespace {

// Whether `name` is a temporary file of this program: ".<name>.kb-tmp-XXXXXX".
// The plain "<name>.XXXXXX" of earlier versions is not matched: it cannot be
// told from a parent's own "<name>.backup".
bool is_own_temporary(std::string_view name) {
  if (name.size() < 2 + kTemporaryMark.size() + kRandomPart || name.front() != '.') return false;
  const std::size_t mark = name.size() - kRandomPart - kTemporaryMark.size();
  return mark > 1 && name.substr(mark, kTemporaryMark.size()) == kTemporaryMark &&
         is_random_part(name.substr(mark + kTemporaryMark.size()));
}

}  // namespace

int remove_leftover_temporaries(const std::filesystem::path& folder) {
  int removed = 0;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    if (!is_own_temporary(it->path().filename().string())) continue;
    std::error_code not_a_file;
    if (!it->is_regular_file(not_a_file)) continue;
    if (std::filesystem::remove(it->path(), not_a_file)) ++removed;
  }
  return removed;
}

}  // namespace kb
