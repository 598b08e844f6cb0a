#pragma once

#include <pugixml.hpp>

#include <cstdint>
#include <optional>
#include <string>

namespace KBConfigIO {

// The number an ID text names in a lookup, or nothing when the text is not a
// plain decimal number: such a text names no entry. An ID inside a path query
// is compared numerically with the ID texts of the file.
std::optional<double> lookup_id(const std::string& text);

// 1 plus the largest numeric value among the ID nodes (0 when there is none,
// negative values counting as 0), in 16-bit arithmetic: throws the overflow
// error for an ID text or a result beyond 32767.
std::int16_t next_id(const pugi::xpath_node_set& ids);

}  // namespace KBConfigIO
