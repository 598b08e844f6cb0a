#pragma once

#include <cstdint>
#include <string>

#include "registry/mod_registry.h"

namespace modRegistry {

// The text form of a value: the text itself, "True" or "False", or the decimal digits.
std::string text_of(const RegValue& value);

// A value as a boolean: a boolean as it is, a nonzero number as true, the text
// "True" or "False" (any letter case) or a numeric text. Throws the type
// mismatch error for any other text.
bool boolean_of(const RegValue& value);

// A value as a 16-bit signed integer: true is -1, a numeric text is rounded,
// halves to even. Throws the overflow error outside -32768..32767 and the type
// mismatch error for a text that is not a number.
std::int16_t int16_of(const RegValue& value);

}  // namespace modRegistry
