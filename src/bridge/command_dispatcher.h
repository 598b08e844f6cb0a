#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "bridge/command_parser.h"

namespace kb {
class Kitebrook;
}

namespace KBVBHTMLInterfaces {

// A handler's arguments: copies of the slots its command takes, made before
// the handler runs, so a command run while it waits cannot change them.
using Args = std::array<std::string, 4>;

using CommandHandler = void (*)(kb::Kitebrook& app, const Args& args);

struct CommandEntry {
  std::string_view name;
  std::array<int, 4> slots;  // slot numbers handed to the handler, 0 ends the list
  CommandHandler handler;
};

// Parses a command URL and runs its command. A malformed command, or one
// whose handler fails, ends quietly: nothing is shown to the person. Answers
// the name of the command run (as the command table spells it), also when
// its handler failed; nothing for a malformed or unknown command.
std::optional<std::string_view> parse_command(kb::Kitebrook& app, std::string_view url,
                                              Percent20 spaces);
// Runs the handler of the command named (in any letter case) and answers its
// name as the table spells it; an unknown name does nothing.
std::optional<std::string_view> dispatch_command(kb::Kitebrook& app, const std::string& name);

}  // namespace KBVBHTMLInterfaces
