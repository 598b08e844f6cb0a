#include "config/xml_text.h"

#include <cstdint>

namespace KBConfigIO {
namespace {

bool is_xml_char(std::uint32_t c) {
  if (c < 0x20) return c == 0x9 || c == 0xA || c == 0xD;
  if (c <= 0xD7FF) return true;
  if (c < 0xE000) return false;  // surrogates
  if (c <= 0xFFFD) return true;
  return c >= 0x10000 && c <= 0x10FFFF;
}

// Decodes one UTF-8 sequence at `pos`; false for a malformed or overlong one.
bool decode(std::string_view text, std::size_t& pos, std::uint32_t& code) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(pos);
  std::size_t length = 0;
  std::uint32_t minimum = 0;
  if (lead < 0x80) {
    code = lead;
    ++pos;
    return true;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, code = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, code = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, code = lead & 0x07, minimum = 0x10000;
  } else {
    return false;
  }
  if (text.size() - pos < length) return false;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(pos + i) & 0xC0) != 0x80) return false;
    code = (code << 6) | (byte(pos + i) & 0x3F);
  }
  pos += length;
  return code >= minimum;
}

}  // namespace

bool is_xml_text(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[pos]);
    if (c >= 0x20 && c < 0x80) {  // printable ASCII, by far the most text
      ++pos;
      continue;
    }
    std::uint32_t code = 0;
    if (!decode(text, pos, code) || !is_xml_char(code)) return false;
  }
  return true;
}

std::string xpath_string_literal(std::string_view text) {
  const auto quoted = [](std::string_view piece, char quote) {
    std::string literal(1, quote);
    literal.append(piece);
    literal.push_back(quote);
    return literal;
  };
  if (text.find('\'') == std::string_view::npos) return quoted(text, '\'');
  if (text.find('"') == std::string_view::npos) return quoted(text, '"');
  // Both quotes: cut the text where apostrophes begin and end, and quote each
  // piece with the quote it does not hold.
  std::string result = "concat(";
  std::size_t start = 0;
  while (start < text.size()) {
    const bool apostrophes = text[start] == '\'';
    std::size_t end = apostrophes ? text.find_first_not_of('\'', start) : text.find('\'', start);
    if (end == std::string_view::npos) end = text.size();
    result += quoted(text.substr(start, end - start), apostrophes ? '"' : '\'');
    if (end < text.size()) result.push_back(',');
    start = end;
  }
  result.push_back(')');
  return result;
}

}  // namespace KBConfigIO
