#include "registry/ini_file.h"

#include <fstream>
#include <optional>
#include <sstream>

#include "common/atomic_file.h"
#include "common/kb_error.h"
#include "registry/ini_text.h"
#include "registry/registry_status.h"

namespace modRegistry {
namespace {

// The whole file, or nothing when it cannot be opened or read.
std::optional<std::string> read_file(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return text.str();
}

// Cuts `text` to `limit` bytes, dropping a UTF-8 character that the cut would split.
std::string cut_to(std::string text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t end = limit;
  // Step back over continuation bytes to the start of the character at the cut.
  std::size_t start = end;
  while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
  if (start < end) end = start;
  text.resize(end);
  return text;
}

std::optional<std::string> find_in_file(const std::filesystem::path& file,
                                        const std::string& section, const std::string& key) {
  const std::optional<std::string> text = read_file(file);
  if (!text) return std::nullopt;
  return ini_find_value(*text, section, key);
}

}  // namespace

std::string get_private_profile_string(const std::filesystem::path& file,
                                       const std::string& section, const std::string& key,
                                       const std::string& default_text) {
  if (std::optional<std::string> value = find_in_file(file, section, key))
    return cut_to(std::move(*value), kIniStringLimit);
  std::string fallback = default_text;
  while (!fallback.empty() && fallback.back() == ' ') fallback.pop_back();
  return cut_to(std::move(fallback), kIniStringLimit);
}

std::int32_t get_private_profile_int(const std::filesystem::path& file, const std::string& section,
                                     const std::string& key, std::int32_t default_value) {
  const std::optional<std::string> value = find_in_file(file, section, key);
  if (!value || value->empty()) return default_value;
  std::size_t pos = 0;
  while (pos < value->size() && ((*value)[pos] == ' ' || (*value)[pos] == '\t')) ++pos;
  bool negative = false;
  if (pos < value->size() && ((*value)[pos] == '-' || (*value)[pos] == '+'))
    negative = (*value)[pos++] == '-';
  std::uint32_t number = 0;
  for (; pos < value->size() && (*value)[pos] >= '0' && (*value)[pos] <= '9'; ++pos)
    number = number * 10u + static_cast<std::uint32_t>((*value)[pos] - '0');
  if (negative) number = 0u - number;
  return static_cast<std::int32_t>(number);
}

std::int32_t write_private_profile_string(const std::filesystem::path& file,
                                          const std::string& section, const std::string& key,
                                          const std::string& value) {
  if (!ini_can_write(section, key, value)) return ERROR_INVALID_PARAMETER;
  std::error_code ec;
  const bool exists = std::filesystem::exists(file, ec);
  if (ec) return ERROR_ACCESS_DENIED;
  std::optional<std::string> text = exists ? read_file(file) : std::string();
  // An existing file that cannot be read must not be replaced by a new one.
  if (!text) return ERROR_ACCESS_DENIED;
  try {
    kb::write_file_atomically(file, ini_with_value(*text, section, key, value));
  } catch (const kb::Error&) {
    return ERROR_ACCESS_DENIED;
  }
  return ERROR_SUCCESS;
}

}  // namespace modRegistry
