#include "registry/reg_value_convert.h"

#include <optional>
#include <string_view>

#include "common/kb_error.h"
#include "common/vb_number.h"

namespace modRegistry {
namespace {

bool equals_ignoring_case(std::string_view text, std::string_view word) {
  if (text.size() != word.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != word[i]) return false;
  }
  return true;
}

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

}  // namespace

std::string text_of(const RegValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  if (const auto* flag = std::get_if<bool>(&value)) return *flag ? "True" : "False";
  return std::to_string(std::get<std::int32_t>(value));
}

bool boolean_of(const RegValue& value) {
  if (const auto* flag = std::get_if<bool>(&value)) return *flag;
  if (const auto* number = std::get_if<std::int32_t>(&value)) return *number != 0;
  const std::string_view text = trimmed(std::get<std::string>(value));
  if (equals_ignoring_case(text, "true")) return true;
  if (equals_ignoring_case(text, "false")) return false;
  const std::optional<double> number = kb::whole_number(text);
  if (!number) throw kb::type_mismatch();
  return *number != 0.0;
}

std::int16_t int16_of(const RegValue& value) {
  if (const auto* flag = std::get_if<bool>(&value)) return *flag ? -1 : 0;
  if (const auto* number = std::get_if<std::int32_t>(&value)) return kb::to_int16(*number);
  const std::optional<double> number = kb::whole_number(std::get<std::string>(value));
  if (!number) throw kb::type_mismatch();
  return kb::to_int16(*number);
}

}  // namespace modRegistry
