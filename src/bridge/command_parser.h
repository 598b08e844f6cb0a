#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "shell/program_state.h"

namespace KBVBHTMLInterfaces {

// How a control's command URLs are read: the content area's with every
// "%20" as a space, the control bar's and the new-window view's as written.
enum class Percent20 { AsSpace, AsWritten };

// Turns a command URL (its prefix already recognised) into its name and
// arguments: "%20" as `spaces` says, the engine's escapes of characters
// outside ASCII decoded, then the text cut at "(" and at every ",". The
// arguments go into slots 1, 2, ... of `args`; slots the command does not
// reach keep their values. Answers the name as written, or nothing when the
// command is malformed (no "(", nothing after it, more than 25 arguments, a
// position beyond 32767); slots written before the fault keep their values.
std::optional<std::string> parse_command_url(std::string_view url, Percent20 spaces,
                                             kb::CommandArgs& args, std::int16_t& arg_count);

// The steps of parse_command_url, each on its own for the fuzz target.
// Cuts a decoded command text into name and arguments.
std::optional<std::string> split_command_text(std::string_view text, kb::CommandArgs& args,
                                              std::int16_t& arg_count);
// Undoes the engine's percent-encoding of characters outside ASCII (runs of
// %80-%FF that form UTF-8), leaving every other escape as it was.
std::string decode_non_ascii_escapes(std::string_view url);
// Replaces every "%20" by a space.
std::string replace_percent20(std::string_view url);

}  // namespace KBVBHTMLInterfaces
