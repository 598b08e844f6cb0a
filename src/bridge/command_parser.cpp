#include "bridge/command_parser.h"

#include "shell/platform.h"

namespace KBVBHTMLInterfaces {
namespace {

constexpr std::size_t kLastSlot = 25;
constexpr std::size_t kLargestPosition = 32767;

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The byte of a "%XX" escape at `pos`, or -1.
int escaped_byte(std::string_view s, std::size_t pos) {
  if (pos + 2 >= s.size() || s[pos] != '%') return -1;
  const int hi = hex_value(s[pos + 1]);
  const int lo = hex_value(s[pos + 2]);
  return hi < 0 || lo < 0 ? -1 : hi * 16 + lo;
}

// Length of the UTF-8 sequence starting with `lead`, 0 when it cannot lead.
std::size_t utf8_length(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// Whether `byte` may follow `lead` as the sequence's second byte. The narrower
// ranges rule out overlong forms, surrogates and code points past U+10FFFF:
// the engine never escapes those, so such escapes are the page's own text.
bool fits_as_second(unsigned char lead, int byte) {
  const int low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
  const int high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
  return byte >= low && byte <= high;
}

}  // namespace

std::optional<std::string> parse_command_url(std::string_view url, Percent20 spaces,
                                             kb::CommandArgs& args, std::int16_t& arg_count) {
  const std::string text =
      decode_non_ascii_escapes(spaces == Percent20::AsSpace ? replace_percent20(url) : url);
  return split_command_text(text, args, arg_count);
}

std::optional<std::string> split_command_text(std::string_view text, kb::CommandArgs& args,
                                              std::int16_t& arg_count) {
  using kb::kCommandPrefix;
  arg_count = 0;
  std::string_view s =
      text.size() > kCommandPrefix.size() ? text.substr(kCommandPrefix.size()) : "";
  const std::size_t open = s.find('(');
  if (open == std::string_view::npos || open + 1 > kLargestPosition) return std::nullopt;
  std::string name(s.substr(0, open));
  s.remove_prefix(open + 1);
  for (std::size_t comma = s.find(','); !s.empty() && comma != std::string_view::npos;
       comma = s.find(',')) {
    if (comma + 1 > kLargestPosition) return std::nullopt;
    if (static_cast<std::size_t>(++arg_count) > kLastSlot) return std::nullopt;
    args[static_cast<std::size_t>(arg_count)] = std::string(s.substr(0, comma));
    s.remove_prefix(comma + 1);
  }
  if (static_cast<std::size_t>(++arg_count) > kLastSlot) return std::nullopt;
  if (s.empty()) return std::nullopt;
  args[static_cast<std::size_t>(arg_count)] = std::string(s.substr(0, s.size() - 1));
  return name;
}

std::string decode_non_ascii_escapes(std::string_view url) {
  std::string out;
  out.reserve(url.size());
  std::size_t i = 0;
  while (i < url.size()) {
    const int lead = escaped_byte(url, i);
    const std::size_t len = lead >= 0 ? utf8_length(static_cast<unsigned char>(lead)) : 0;
    std::string decoded;
    if (len > 0) {
      decoded.push_back(static_cast<char>(lead));
      for (std::size_t k = 1; k < len; ++k) {
        const std::size_t pos = i + 3 * k;
        const int next = escaped_byte(url, pos);
        const bool fits = k == 1 ? fits_as_second(static_cast<unsigned char>(lead), next)
                                 : next >= 0x80 && next <= 0xBF;
        if (!fits) {
          decoded.clear();
          break;
        }
        decoded.push_back(static_cast<char>(next));
      }
    }
    if (!decoded.empty()) {
      out += decoded;
      i += 3 * len;
    } else {
      out.push_back(url[i]);
      ++i;
    }
  }
  return out;
}

std::string replace_percent20(std::string_view url) {
  std::string out;
  out.reserve(url.size());
  for (std::size_t i = 0; i < url.size(); ++i) {
    if (url.compare(i, 3, "%20") == 0) {
      out.push_back(' ');
      i += 2;
    } else {
      out.push_back(url[i]);
    }
  }
  return out;
}

}  // namespace KBVBHTMLInterfaces
