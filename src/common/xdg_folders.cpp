#include "common/xdg_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "common/kb_error.h"

namespace kb {
namespace {

namespace fs = std::filesystem;

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

fs::path home_folder() {
  if (std::string home = environment("HOME"); !home.empty()) return home;
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
      found->pw_dir && *found->pw_dir)
    return found->pw_dir;
  throw path_not_found("The account has no home folder for Kitebrook's files");
}

fs::path xdg_folder(const char* variable, const fs::path& in_home) {
  const fs::path xdg = environment(variable);
  if (xdg.is_absolute()) return xdg;
  return home_folder() / in_home;
}

}  // namespace

fs::path xdg_config_home() {
  return xdg_folder("XDG_CONFIG_HOME", ".config");
}

fs::path xdg_data_home() {
  return xdg_folder("XDG_DATA_HOME", fs::path(".local") / "share");
}

}  // namespace kb
