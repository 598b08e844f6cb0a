#include "bridge/command_dispatcher.h"

#include <algorithm>
#include <iostream>

#include "bridge/command_handlers.h"
#include "bridge/command_parser.h"
#include "bridge/error_text.h"
#include "common/text_case.h"
#include "shell/kitebrook.h"

namespace KBVBHTMLInterfaces {
namespace {

// Every command the pages may send, with the argument slots its handler takes.
constexpr CommandEntry kCommands[] = {
    {"SAVE_CONFIG_FILE", {1, 2}, save_config_file},
    {"STARTFORUSER", {1}, start_for_user_in_new_window},
    {"GO_BACK", {}, go_back},
    {"GO_FORWARD", {}, go_forward},
    {"GO_HOME", {}, go_home},
    {"GO_PRINT", {}, go_print},
    {"GO_EXIT", {}, go_exit},
    {"GO_PARENT", {}, go_parent},
    {"PROCESS_PWD_ENTRY", {1}, process_pwd_entry},
    {"EXIT_CONFIG", {}, exit_config},
    {"LOADSITES", {}, load_user_sites},
    {"PWDCANCEL", {}, pwd_cancel},
    {"UPDATEUSER", {1, 2}, updateuser},
    {"UPDATESITE", {1, 2, 3}, updatesite},
    {"ASSIGNSITETOUSER", {1, 2}, assignsitetouser},
    {"REMOVEUSERFROMSITE", {1, 2}, removeuserfromsite},
    {"REMOVEUSER", {1}, removeuser},
    {"REMOVESITE", {1}, removesite},
    {"SETUSERGLOBALS", {1, 2, 3}, setuserglobals},
    {"SETSITEGLOBALS", {1, 2, 3, 4}, setsiteglobals},
    {"CLEARUSERGLOBALS", {}, clearuserglobals},
    {"CLEARSITEGLOBALS", {}, clearsiteglobals},
    {"UPDATEPWD", {1}, updatepwd},
    {"UPDATESETTINGS", {1, 2, 3, 4}, updatesettings},
    {"RESTORE_CONFIG", {1}, restore_config},
    {"LOADREFUSAL", {}, loadrefusal},
    {"ASKGROWNUP", {}, askgrownup},
    {"APPROVEREFUSED", {1}, approverefused},
    {"UPDATESTAYONSITES", {1}, updatestayonsites},
    {"SETALSOALLOW", {1, 2}, setalsoallow},
    {"ALWAYSALLOW", {1, 2}, alwaysallow},
    {"WITHDRAWHOST", {1, 2}, withdrawhost},
    {"LOADVISITS", {1, 2}, loadvisits},
};

}  // namespace

std::optional<std::string_view> dispatch_command(kb::Kitebrook& app, const std::string& name) {
  const std::string upper = kb::upper_case(name);
  for (const CommandEntry& entry : kCommands) {
    if (entry.name != upper) continue;
    Args args;
    for (std::size_t i = 0; i < entry.slots.size() && entry.slots[i] != 0; ++i)
      args[i] = app.state().cmd_args[static_cast<std::size_t>(entry.slots[i])];
    entry.handler(app, args);
    return entry.name;
  }
  return std::nullopt;
}

std::optional<std::string_view> parse_command(kb::Kitebrook& app, std::string_view url,
                                              Percent20 spaces) {
  kb::ProgramState& state = app.state();
  const auto name = parse_command_url(url, spaces, state.cmd_args, state.cmd_arg_count);
  if (!name) return std::nullopt;
  const std::string upper = kb::upper_case(*name);
  const auto known = std::find_if(std::begin(kCommands), std::end(kCommands),
                                  [&](const CommandEntry& e) { return e.name == upper; });
  if (known == std::end(kCommands)) return std::nullopt;
  try {
    dispatch_command(app, *name);
  } catch (const std::exception& e) {
    // A failing command ends quietly for the person; the log says why.
    std::cerr << "kitebrook: command " << known->name << " ended: " << describe(e) << '\n';
  }
  return known->name;
}

}  // namespace KBVBHTMLInterfaces
