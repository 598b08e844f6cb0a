#pragma once

#include <array>
#include <string>
#include <string_view>

namespace kb {
class Kitebrook;
}

namespace KBVBHTMLInterfaces {

// The argument slots a handler receives: references into the shared slot
// table, so a command run nested inside a handler is seen by it.
class Slots {
 public:
  std::string& operator[](std::size_t i) const { return *refs_.at(i); }
  std::array<std::string*, 4> refs_{};
};

using CommandHandler = void (*)(kb::Kitebrook& app, const Slots& args);

struct CommandEntry {
  std::string_view name;
  std::array<int, 4> slots;  // slot numbers handed to the handler, 0 ends the list
  CommandHandler handler;
};

// Parses a command URL and runs its command. A malformed command, or one
// whose handler fails, ends quietly: nothing is shown to the person.
void parse_command(kb::Kitebrook& app, const std::string& url);
// Runs the handler of the command named (in any letter case); an unknown
// name does nothing.
void dispatch_command(kb::Kitebrook& app, const std::string& name);

}  // namespace KBVBHTMLInterfaces
