#pragma once

#include <filesystem>
#include <string_view>

namespace kb {

// Replaces `target` with `contents` so that the file on disk is always either
// the old one or the new one: the text goes to a temporary file in the same
// folder, is flushed to the disk, and is renamed over the target. On any
// failure the target is untouched, the temporary file is removed, and an
// kb::Error describing the failure is thrown.
void write_file_atomically(const std::filesystem::path& target, std::string_view contents);

}  // namespace kb
