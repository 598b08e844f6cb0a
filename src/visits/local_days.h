#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace kb::visits {

// The local calendar day of a moment as YYYY-MM-DD.
std::string local_day_of(std::time_t moment);

// The moments from the start of the local day YYYY-MM-DD up to the start of
// the next; nothing for any other text or an impossible date.
std::optional<std::pair<std::time_t, std::time_t>> local_day_span(std::string_view day);

// The first moment of the local day after the one `moment` falls on.
std::time_t next_local_midnight(std::time_t moment);

}  // namespace kb::visits
