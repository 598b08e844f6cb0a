#pragma once

#include <filesystem>
#include <string>

namespace KBConfigIO {

// Removes the temporary files that crashes during saves left beside the
// configuration and among its versions, while no other session is saving.
// Answers how many were removed. Throws kb::Error when the configuration
// cannot be locked.
int remove_save_leftovers(const std::filesystem::path& config);

// Whether the configuration can be read: a well-formed file with the root KBConfig.
bool config_readable(const std::filesystem::path& config);

enum class RestoreResult {
  Restored,       // the newest good version replaced the file
  AlreadyGood,    // the file can be read (another session restored it): nothing done
  NoGoodVersion,  // no version kept can be read
  WrongPassword,  // the entry does not match the password of that version
};

// Puts the newest good version back in place of an unreadable configuration,
// when `entry` matches the parent's password stored in that version. The
// unreadable file is kept among the versions as "KBConfig.damaged-<date and
// time>.xml", never deleted. Throws kb::Error when a file cannot be written.
RestoreResult restore_newest_version(const std::filesystem::path& config, const std::string& entry);

}  // namespace KBConfigIO
