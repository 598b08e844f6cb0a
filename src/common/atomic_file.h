#pragma once

#include <filesystem>
#include <string_view>

namespace kb {

// Replaces `target` with `contents` so that the file on disk is always either
// the old one or the new one: the text goes to a temporary file in the same
// folder, is flushed to the disk, and is renamed over the target. The
// temporary file has the target's permissions from the start (0644 for a new
// target). On any failure the target is untouched, the temporary file is
// removed, and a kb::Error describing the failure is thrown.
void write_file_atomically(const std::filesystem::path& target, std::string_view contents);

// As above, the new file taking the permissions of `permissions_of` (0644
// when that file does not exist): a copy is no more open than its original.
void write_file_atomically(const std::filesystem::path& target, std::string_view contents,
                           const std::filesystem::path& permissions_of);

// Removes what crashes in the middle of write_file_atomically left in
// `folder`: only temporary files of its own naming, never anything else. Must
// not run while another process may be writing a file there. Answers how
// many were removed.
int remove_leftover_temporaries(const std::filesystem::path& folder);

}  // namespace kb
