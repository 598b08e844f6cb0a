#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace modRegistry {

// The longest text a string read answers, in bytes (a 255-byte buffer with
// its terminating NUL).
inline constexpr std::size_t kIniStringLimit = 254;

// The value of `key` in `section` of the INI file, or `default_text` without
// its trailing blanks when the file, the section or the key is missing. Either
// is cut to kIniStringLimit bytes, never inside a UTF-8 character.
std::string get_private_profile_string(const std::filesystem::path& file,
                                       const std::string& section, const std::string& key,
                                       const std::string& default_text);

// The value of `key` read as a whole number: blanks, an optional sign and the
// leading decimal digits, wrapping around at 32 bits; 0 when it has no digits.
// `default_value` when the file, the section or the key is missing or empty.
std::int32_t get_private_profile_int(const std::filesystem::path& file, const std::string& section,
                                     const std::string& key, std::int32_t default_value);

// Sets `key` in `section` of the INI file to `value`, keeping the rest of the
// file as it was, and replaces the file atomically. Answers 0, 87 when the
// names or the value cannot be written as an INI line, or 5 when the file
// cannot be read or replaced.
std::int32_t write_private_profile_string(const std::filesystem::path& file,
                                          const std::string& section, const std::string& key,
                                          const std::string& value);

}  // namespace modRegistry
