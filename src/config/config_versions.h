#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

namespace KBConfigIO {

// The last good versions of the configuration, kept in a folder beside it, so
// that a file damaged by hand or by a failing disk can be put right.

// How many versions are kept.
inline constexpr int kKeptVersions = 5;

// The folder beside the configuration `config` that holds its versions.
std::filesystem::path versions_folder(const std::filesystem::path& config);

// Keeps `text`, a good configuration, as the newest version, then removes
// all but the five newest. Each version is written atomically, with the
// configuration's permissions; nothing is kept for an empty text or one the
// newest version already holds. Throws kb::Error when it cannot be written.
void keep_version(const std::filesystem::path& config, std::string_view text);

// Keeps `text`, a configuration that could not be read, in the versions
// folder as "KBConfig.damaged-<date and time>.xml", which no rotation
// removes. Nothing is kept for an empty text. Throws kb::Error.
void keep_damaged(const std::filesystem::path& config, std::string_view text);

// The versions kept, newest first.
std::vector<std::filesystem::path> kept_versions(const std::filesystem::path& config);

}  // namespace KBConfigIO
