#pragma once

#include <string>
#include <string_view>

namespace kb {

// The text with its ASCII letters upper-cased; other bytes stay as they are.
std::string upper_case(std::string_view text);

// True when the two texts are equal once their ASCII letters are upper-cased.
bool equals_ignoring_case(std::string_view a, std::string_view b);

}  // namespace kb
