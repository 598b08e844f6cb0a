#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace KBVBHTMLInterfaces {

// A JavaScript string literal in single quotes that reads back as `text`
// exactly: quotes, backslashes, line breaks and the like are escaped, so no
// value can end the literal and run as script.
std::string js_string_literal(std::string_view text);

// "name('a','b')" with each argument written as a string literal.
std::string js_call(std::string_view function, std::initializer_list<std::string_view> args);

}  // namespace KBVBHTMLInterfaces
