#include "common/vb_number.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "common/kb_error.h"

namespace kb {
namespace {

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}
bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Length of the numeric text that starts at `pos`, or 0 when there is none.
std::size_t numeric_length(std::string_view text, std::size_t pos) {
  std::size_t i = pos;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < text.size() && is_digit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && is_digit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    std::size_t exp_digits = 0;
    while (j < text.size() && is_digit(text[j])) ++j, ++exp_digits;
    if (exp_digits > 0) i = j;
  }
  return i - pos;
}

double parse(std::string_view text, std::size_t pos, std::size_t len) {
  const std::string copy(text.substr(pos, len));
  return std::strtod(copy.c_str(), nullptr);
}

}  // namespace

double leading_number(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size() && is_blank(text[pos])) ++pos;
  const std::size_t len = numeric_length(text, pos);
  return len == 0 ? 0.0 : parse(text, pos, len);
}

std::int16_t to_int16(double value) {
  if (!std::isfinite(value)) throw overflow();
  const double rounded = std::nearbyint(value);  // the default mode rounds halves to even
  if (rounded < -32768.0 || rounded > 32767.0) throw overflow();
  return static_cast<std::int16_t>(rounded);
}

std::int16_t numeric_value16(std::string_view text) {
  return to_int16(leading_number(text));
}

std::optional<double> whole_number(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size() && is_blank(text[pos])) ++pos;
  const std::size_t len = numeric_length(text, pos);
  if (len == 0) return std::nullopt;
  std::size_t end = pos + len;
  while (end < text.size() && is_blank(text[end])) ++end;
  if (end != text.size()) return std::nullopt;
  return parse(text, pos, len);
}

bool is_plain_decimal(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if (!is_digit(c)) return false;
  return true;
}

}  // namespace kb
