#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kb {

// The value of the leading numeric part of a text: blanks, an optional sign,
// digits with an optional decimal point and exponent. A text without one is 0.
double leading_number(std::string_view text);

// Rounds to the nearest whole number, halves to even, as a 16-bit signed
// integer; throws the overflow error outside -32768..32767.
std::int16_t to_int16(double value);

// The numeric value of a text as a 16-bit integer: leading_number, then to_int16.
std::int16_t numeric_value16(std::string_view text);

// The whole text read as a number (blanks around it allowed), or nothing when
// it is not one. Used where a text must be a number, such as a yes/no flag.
std::optional<double> whole_number(std::string_view text);

// True when the text is a plain decimal number: one or more ASCII digits and
// nothing else. Such a text is safe to place into a path query.
bool is_plain_decimal(std::string_view text);

}  // namespace kb
