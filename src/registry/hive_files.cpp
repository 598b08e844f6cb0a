#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "common/kb_error.h"
#include "registry/mod_registry.h"

namespace modRegistry {
namespace {

namespace fs = std::filesystem;

std::string non_empty_env(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

fs::path home_folder() {
  if (std::string home = non_empty_env("HOME"); !home.empty()) return home;
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
      found->pw_dir && *found->pw_dir)
    return found->pw_dir;
  throw kb::path_not_found("The account has no home folder for its settings", "modRegistry");
}

// The account's configuration folder by the XDG rules: $XDG_CONFIG_HOME when
// it is an absolute path, otherwise ~/.config.
fs::path config_home() {
  const fs::path xdg = non_empty_env("XDG_CONFIG_HOME");
  if (xdg.is_absolute()) return xdg;
  return home_folder() / ".config";
}

}  // namespace

HiveFiles hive_files(const fs::path& machine_folder, const fs::path& user_hive) {
  HiveFiles files;
  files.hkcu = user_hive;
  files.hklm = machine_folder / "HKLM.sqlite";
  files.hku = machine_folder / "HKU.sqlite";
  files.hkdd = machine_folder / "HKDD.sqlite";
  files.hkcc = machine_folder / "HKCC.sqlite";
  files.hkcr = machine_folder / "HKCR.sqlite";
  return files;
}

HiveFiles default_hive_files(const fs::path& program_folder) {
  return hive_files(program_folder / "Registry", config_home() / "kitebrook" / "HKCU.sqlite");
}

}  // namespace modRegistry
