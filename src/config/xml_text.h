#pragma once

#include <string>
#include <string_view>

namespace KBConfigIO {

// True when the text is valid UTF-8 made only of characters that XML 1.0
// allows in a document. Anything else would leave a file no reader accepts.
bool is_xml_text(std::string_view text);

// The text as an XPath 1.0 string literal. XPath has no escapes, so a text
// holding both kinds of quote becomes a concat() of quoted pieces.
std::string xpath_string_literal(std::string_view text);

}  // namespace KBConfigIO
