#include "bridge/script_call.h"

#include <cstdio>

namespace KBVBHTMLInterfaces {

std::string js_string_literal(std::string_view text) {
  std::string out = "'";
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    switch (c) {
      case '\'':
        out += "\\'";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '<':
        out += "\\x3C";
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\x%02X", c);
          out += escape;
        } else if (c == 0xE2 && i + 2 < text.size() &&
                   static_cast<unsigned char>(text[i + 1]) == 0x80 &&
                   (static_cast<unsigned char>(text[i + 2]) == 0xA8 ||
                    static_cast<unsigned char>(text[i + 2]) == 0xA9)) {
          // U+2028 and U+2029 end a line inside older script engines' literals.
          out += static_cast<unsigned char>(text[i + 2]) == 0xA8 ? "\\u2028" : "\\u2029";
          i += 2;
        } else {
          out.push_back(static_cast<char>(c));
        }
    }
  }
  out += "'";
  return out;
}

std::string js_call(std::string_view function, std::initializer_list<std::string_view> args) {
  std::string out(function);
  out += "(";
  bool first = true;
  for (std::string_view arg : args) {
    if (!first) out += ",";
    out += js_string_literal(arg);
    first = false;
  }
  out += ")";
  return out;
}

}  // namespace KBVBHTMLInterfaces
