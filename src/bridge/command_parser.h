#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "shell/program_state.h"

namespace kb {

// "VBCONTAINER:", recognised in any letter case.
inline constexpr std::string_view kCommandPrefix = "VBCONTAINER:";

// True when the first twelve characters, upper-cased, are the command prefix.
bool is_command_url(std::string_view url);

// Cuts a command URL into its name and arguments. The arguments go into
// slots 1, 2, ... of `args`; slots the command does not reach keep their
// values. Answers the name, or nothing when the command is malformed (no
// "(", nothing after it, more than 25 arguments, a position beyond 32767);
// slots written before the fault keep their new values.
std::optional<std::string> parse_command_text(std::string_view url, CommandArgs& args,
                                              std::int16_t& arg_count);

// Undoes the engine's percent-encoding of characters outside ASCII (runs of
// %80-%FF that form UTF-8), leaving every other escape as it was.
std::string decode_non_ascii_escapes(std::string_view url);

// Replaces every "%20" by a space.
std::string replace_percent20(std::string_view url);

}  // namespace kb
