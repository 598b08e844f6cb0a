#include "common/xdg_folders.h"
#include "registry/mod_registry.h"

namespace modRegistry {

namespace fs = std::filesystem;

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
  return hive_files(program_folder / "Registry",
                    kb::xdg_config_home() / "kitebrook" / "HKCU.sqlite");
}

}  // namespace modRegistry
