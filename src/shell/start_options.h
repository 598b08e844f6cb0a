#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "shell/paths.h"

namespace kb {

// The environment variable that names a machine-wide state folder.
inline constexpr const char* kStateFolderVariable = "KITEBROOK_STATE_FOLDER";

// What the command line and the environment ask of a run.
struct StartOptions {
  // A state folder shared by every account (--state-folder or
  // KITEBROOK_STATE_FOLDER); none for the account's own.
  std::optional<std::filesystem::path> state_folder;
  // Kitebrook is the whole session (--whole-session): full screen, no
  // window decorations.
  bool whole_session = false;
  bool help = false;
};

// The usage text of --help.
std::string usage_text();

// Reads the arguments after the program name; the option wins over the
// environment variable, given as `state_folder_variable` (null when unset).
// Throws kb::Error on an unknown option or a missing folder name.
StartOptions read_start_options(const std::vector<std::string>& arguments,
                                const char* state_folder_variable);

// Where the program's pages and state are when it runs from
// `executable_folder`: beside it when a Data folder with the pages is there
// (the build folder), otherwise in the installation's share/kitebrook with
// the state folder the options name, or the account's own under the XDG data
// home. Reads HOME and XDG_DATA_HOME. Throws kb::Error when no pages are found.
ProgramFolders locate_folders(const std::filesystem::path& executable_folder,
                              const StartOptions& options);

}  // namespace kb
