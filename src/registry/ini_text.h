#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace modRegistry {

// The text of an INI file, read and changed line by line. Sections ("[name]")
// and keys ("key=value") compare without regard to ASCII letter case; lines
// starting with ';' are comments. The first matching entry in file order wins.

// The value of `key` in `section`, without surrounding blanks and without one
// pair of matching surrounding quotes; nothing when the section or key is
// missing or the key's line has no '='.
std::optional<std::string> ini_find_value(std::string_view text, std::string_view section,
                                          std::string_view key);

// Whether `section`, `key` and `value` can be written so that they read back
// as written: no line breaks anywhere, no ']' in the section, no '=' in the key
// and no key that would read as a section header or a comment.
bool ini_can_write(std::string_view section, std::string_view key, std::string_view value);

// `text` with `key` in `section` set to `value`. An existing entry is changed
// in place; a missing key is added at the end of its section and a missing
// section at the end of the text. Every other byte stays as it was.
std::string ini_with_value(std::string_view text, std::string_view section, std::string_view key,
                           std::string_view value);

}  // namespace modRegistry
