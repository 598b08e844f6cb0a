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
  throw kb::Error(76, "The account has no home folder for its settings", "modRegistry");
}

// The account's configuration folder by the XDG rules: $XDG_CONFIG_HOME when
// it is an absolute path, otherwise ~/.config.
fs::path config_home() {
  const fs::path xdg = non_empty_env("XDG_CONFIG_HOME");
  if (xdg.is_absolute()) return xdg;
  return home_folder() / ".config";
}

}  // namespace

HiveFiles default_hive_files(const fs::path& program_folder) {
  const fs::path machine = program_folder / "Registry";
  HiveFiles files;
  files.hkcu = config_home() / "kitebrook" / "HKCU.sqlite";
  files.hklm = machine / "HKLM.sqlite";
  files.hku = machine / "HKU.sqlite";
  files.hkdd = machine / "HKDD.sqlite";
  files.hkcc = machine / "HKCC.sqlite";
  files.hkcr = machine / "HKCR.sqlite";
  return files;
}

}  // namespace modRegistry
