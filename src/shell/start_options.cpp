#include "shell/start_options.h"

#include <cstdlib>
#include <system_error>

#include "common/kb_error.h"
#include "common/xdg_folders.h"

namespace kb {
namespace {

namespace fs = std::filesystem;

constexpr const char* kStateOption = "--state-folder";

fs::path state_folder_from(const std::string& text) {
  if (text.empty()) throw invalid_call(std::string(kStateOption) + " needs a folder");
  return fs::absolute(fs::path(text)).lexically_normal();
}

bool has_pages(const fs::path& folder) {
  std::error_code ec;
  return fs::is_regular_file(folder / "SelectUser.htm", ec);
}

}  // namespace

std::string usage_text() {
  return "Usage: kitebrook [--state-folder FOLDER] [--whole-session]\n"
         "\n"
         "  --state-folder FOLDER  keep the configuration and the print counter in FOLDER,\n"
         "                         shared by every account (also KITEBROOK_STATE_FOLDER);\n"
         "                         by default each account keeps its own in\n"
         "                         $XDG_DATA_HOME/kitebrook\n"
         "  --whole-session        Kitebrook is the whole session: full screen, no frame\n";
}

StartOptions read_start_options(const std::vector<std::string>& arguments,
                                const char* state_folder_variable) {
  StartOptions options;
  if (state_folder_variable && *state_folder_variable)
    options.state_folder = state_folder_from(state_folder_variable);
  const std::string prefix = std::string(kStateOption) + "=";
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--whole-session") {
      options.whole_session = true;
    } else if (argument == "--help" || argument == "-h") {
      options.help = true;
    } else if (argument == kStateOption) {
      if (i + 1 == arguments.size())
        throw invalid_call(std::string(kStateOption) + " needs a folder");
      options.state_folder = state_folder_from(arguments[++i]);
    } else if (argument.rfind(prefix, 0) == 0) {
      options.state_folder = state_folder_from(argument.substr(prefix.size()));
    } else {
      throw invalid_call("Unknown option " + argument);
    }
  }
  return options;
}

ProgramFolders locate_folders(const fs::path& executable_folder, const StartOptions& options) {
  if (has_pages(executable_folder / "Data")) {
    ProgramFolders folders = ProgramFolders::beside(executable_folder);
    return options.state_folder ? folders.with_state(*options.state_folder) : folders;
  }
  const fs::path share =
      (executable_folder.parent_path() / "share" / "kitebrook").lexically_normal();
  if (!has_pages(share))
    throw file_not_found("Cannot find Kitebrook's pages in " +
                         (executable_folder / "Data").string() + " or " + share.string());
  const fs::path own = kb::xdg_data_home() / "kitebrook";
  return ProgramFolders::installed(share, share / "default" / "KBConfig.xml",
                                   options.state_folder.value_or(own),
                                   own / "Registry" / "HKCU.sqlite");
}

}  // namespace kb
