// Feeds arbitrary navigation URLs through the command path of the browser
// controls (the content control's "%20" replacement, the decoding of the
// engine's escapes, then the parser) and checks what each step promises:
// - replace_percent20 turns exactly the "%20"s into spaces;
// - decode_non_ascii_escapes never grows the text, only turns escapes into
//   the bytes they stand for, is the identity without %80-%FF escapes and
//   keeps valid UTF-8 valid;
// - the parser writes slots 1..arg_count only, never slot 0, and on success
//   the name, "(", the arguments joined by "," and one dropped character give
//   back the text after the prefix; it fails exactly on the malformed texts.
// The first input byte chooses the control, or pads the text to the 16-bit
// positions for the parser alone.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bridge/command_parser.h"
#include "shell/platform.h"

namespace {

constexpr std::size_t kPrefixLength = 12;
constexpr std::size_t kLastSlot = 25;
constexpr std::size_t kLargestPosition = 32767;

void require(bool condition) {
  if (!condition) std::abort();
}

bool is_hex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool has_high_escape(std::string_view s) {
  for (std::size_t i = 0; i + 2 < s.size(); ++i) {
    const char c = s[i + 1];
    if (s[i] == '%' &&
        ((c >= '8' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')) &&
        is_hex(s[i + 2]))
      return true;
  }
  return false;
}

// Every byte from 0x80 written as an upper-case escape and every escape's
// digits upper-cased: a text and its decoding must agree in this form.
std::string escaped_form(std::string_view s) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto byte = static_cast<unsigned char>(s[i]);
    if (byte >= 0x80) {
      out += '%';
      out += kDigits[byte >> 4];
      out += kDigits[byte & 0xF];
    } else if (s[i] == '%' && i + 2 < s.size() && is_hex(s[i + 1]) && is_hex(s[i + 2])) {
      out += '%';
      out += static_cast<char>(std::toupper(static_cast<unsigned char>(s[i + 1])));
      out += static_cast<char>(std::toupper(static_cast<unsigned char>(s[i + 2])));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

// Well-formed UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
bool is_valid_utf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto lead = static_cast<unsigned char>(s[i]);
    std::size_t len = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (lead < 0x80) {
      len = 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      len = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      len = 3;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      len = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (i + len > s.size()) return false;
    for (std::size_t k = 1; k < len; ++k) {
      const auto byte = static_cast<unsigned char>(s[i + k]);
      if (byte < (k == 1 ? low : 0x80) || byte > (k == 1 ? high : 0xBF)) return false;
    }
    i += len;
  }
  return true;
}

std::size_t count_of(std::string_view s, char c) {
  std::size_t n = 0;
  for (char x : s) n += x == c;
  return n;
}

void check_percent20(std::string_view in, const std::string& out) {
  require(out.find("%20") == std::string::npos);
  const std::size_t added = count_of(out, ' ') - count_of(in, ' ');
  require(out.size() + 2 * added == in.size());
  // Undoing the new spaces, left to right, gives the input back.
  std::size_t i = 0, j = 0;
  while (i < in.size()) {
    if (in.compare(i, 3, "%20") == 0) {
      require(out[j] == ' ');
      i += 3;
    } else {
      require(out[j] == in[i]);
      ++i;
    }
    ++j;
  }
  require(j == out.size());
}

void check_decoding(std::string_view in, const std::string& out) {
  require(out.size() <= in.size());
  if (!has_high_escape(in)) require(out == in);
  require(escaped_form(out) == escaped_form(in));
  if (is_valid_utf8(in)) require(is_valid_utf8(out));
}

// The arguments a well-formed command carries, cut the plain way: split at
// every comma after the first "(". Answers false when the parser must fail,
// `written` then holding the slots it fills before it gives up.
bool expected_parse(std::string_view text, std::string& name, std::vector<std::string>& written) {
  const std::string_view rest = text.size() > kPrefixLength ? text.substr(kPrefixLength) : "";
  const std::size_t open = rest.find('(');
  if (open == std::string_view::npos || open + 1 > kLargestPosition) return false;
  name = std::string(rest.substr(0, open));
  std::vector<std::string_view> fields;
  std::string_view s = rest.substr(open + 1);
  for (std::size_t comma; (comma = s.find(',')) != std::string_view::npos;) {
    fields.push_back(s.substr(0, comma));
    s.remove_prefix(comma + 1);
  }
  fields.push_back(s);
  for (std::size_t k = 0; k + 1 < fields.size(); ++k) {
    if (fields[k].size() + 1 > kLargestPosition || written.size() == kLastSlot) return false;
    written.emplace_back(fields[k]);
  }
  if (written.size() == kLastSlot || fields.back().empty()) return false;
  written.emplace_back(fields.back().substr(0, fields.back().size() - 1));
  return true;
}

// A value no argument can hold: arguments never contain a comma.
std::string untouched(std::size_t slot) {
  return "untouched," + std::to_string(slot);
}

void check_parse(std::string_view text) {
  kb::CommandArgs args;
  for (std::size_t slot = 0; slot < args.size(); ++slot) args[slot] = untouched(slot);
  std::int16_t count = -1;
  const std::optional<std::string> name = KBVBHTMLInterfaces::split_command_text(text, args, count);

  require(args[0] == untouched(0));
  require(count >= 0 && static_cast<std::size_t>(count) <= kLastSlot + 1);
  const std::size_t reached = std::min<std::size_t>(static_cast<std::size_t>(count), kLastSlot);
  // A failing parse may count an argument it never stores.
  for (std::size_t slot = 1; slot <= reached; ++slot)
    require(args[slot] == untouched(slot) || args[slot].find(',') == std::string::npos);
  for (std::size_t slot = reached + 1; slot < args.size(); ++slot)
    require(args[slot] == untouched(slot));

  if (name) {
    require(count >= 1 && static_cast<std::size_t>(count) <= kLastSlot);
    require(name->find('(') == std::string::npos);
    std::string rebuilt = *name + "(";
    for (std::size_t slot = 1; slot <= reached; ++slot)
      rebuilt += args[slot] + (slot < reached ? "," : "");
    const std::string_view rest = text.substr(kPrefixLength);
    require(rest.size() == rebuilt.size() + 1 && rest.substr(0, rebuilt.size()) == rebuilt);
  }

  std::string expected_name;
  std::vector<std::string> written;
  const bool ok = expected_parse(text, expected_name, written);
  require(ok == name.has_value());
  if (ok) require(*name == expected_name && static_cast<std::size_t>(count) == written.size());
  for (std::size_t k = 0; k < written.size(); ++k) require(args[k + 1] == written[k]);
  for (std::size_t slot = written.size() + 1; slot < args.size(); ++slot)
    require(args[slot] == untouched(slot));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t flags = data[0];
  std::string url(reinterpret_cast<const char*>(data + 1), size - 1);

  // Bit 1: stretch the text to the 16-bit positions at a place the input
  // picks. Only the parser sees such a text: the byte-wise checks of the
  // other steps would make it a hundred times slower than the rest.
  if ((flags & 2) && !url.empty()) {
    const std::size_t at = static_cast<unsigned char>(url.front()) % url.size();
    const std::size_t length = kLargestPosition - 48 + static_cast<unsigned char>(url.back()) % 64;
    url.insert(at, length, 'x');
    check_parse(url);
    return 0;
  }

  // Bit 0: the content control replaces "%20" first; the others do not.
  std::string command_text = url;
  if (flags & 1) {
    command_text = KBVBHTMLInterfaces::replace_percent20(url);
    check_percent20(url, command_text);
  }
  const std::string decoded = KBVBHTMLInterfaces::decode_non_ascii_escapes(command_text);
  check_decoding(command_text, decoded);
  // Neither step touches the prefix, which holds no '%'.
  if (kb::is_command_url(url)) require(kb::is_command_url(decoded));

  check_parse(decoded);
  // The one path a control takes is these steps in this order.
  kb::CommandArgs direct, stepwise;
  std::int16_t direct_count = 0, stepwise_count = 0;
  const auto direct_name =
      KBVBHTMLInterfaces::parse_command_url(url,
                                            (flags & 1) ? KBVBHTMLInterfaces::Percent20::AsSpace
                                                        : KBVBHTMLInterfaces::Percent20::AsWritten,
                                            direct, direct_count);
  const auto stepwise_name =
      KBVBHTMLInterfaces::split_command_text(decoded, stepwise, stepwise_count);
  require(direct_name == stepwise_name && direct == stepwise && direct_count == stepwise_count);
  return 0;
}
