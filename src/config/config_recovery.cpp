#include "config/config_recovery.h"

#include <chrono>
#include <fstream>
#include <sstream>
#include <system_error>

#include "common/atomic_file.h"
#include "common/file_lock.h"
#include "common/kb_error.h"
#include "config/config_document.h"
#include "config/config_versions.h"
#include "config/version_password.h"

namespace KBConfigIO {
namespace {

namespace fs = std::filesystem;

constexpr std::chrono::seconds kLockPatience{3};

std::string read_whole(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

int remove_save_leftovers(const fs::path& config) {
  const kb::FileLock lock(config_lock_path(config), kLockPatience);
  return kb::remove_leftover_temporaries(config.parent_path()) +
         kb::remove_leftover_temporaries(versions_folder(config));
}

bool config_readable(const fs::path& config) {
  return ConfigDocument(config).has_root();
}

RestoreResult restore_newest_version(const fs::path& config, const std::string& entry) {
  const kb::FileLock lock(config_lock_path(config), kLockPatience);
  if (config_readable(config)) return RestoreResult::AlreadyGood;
  for (const fs::path& version : kept_versions(config)) {
    const ConfigDocument good(version);
    if (!good.has_root()) continue;
    const pugi::xml_node pwd = good.find("/KBConfig/Settings/Pwd");
    if (!entry_opens_version(pwd ? node_text(pwd) : std::string(), entry))
      return RestoreResult::WrongPassword;
    keep_damaged(config, read_whole(config));
    kb::write_file_atomically(config, read_whole(version));
    return RestoreResult::Restored;
  }
  return RestoreResult::NoGoodVersion;
}

}  // namespace KBConfigIO
