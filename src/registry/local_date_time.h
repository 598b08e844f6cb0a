#pragma once

#include <compare>
#include <ctime>
#include <string>
#include <string_view>

namespace modKitebrook {

// A day of the local calendar.
struct CalendarDate {
  int year = 0;
  int month = 0;
  int day = 0;
  auto operator<=>(const CalendarDate&) const = default;
};

// The local calendar day of a moment. Throws kb::Error when the moment cannot
// be placed in the local calendar.
CalendarDate local_date_of(std::time_t moment);

// The local date and time of a moment as ISO 8601 without a zone, for example
// 2026-12-06T09:45:03. Throws like local_date_of.
std::string iso_local_date_time(std::time_t moment);

// The calendar day of a stored date text: an ISO 8601 date, optionally with a
// time of day after 'T' or a blank (hh:mm, hh:mm:ss, with optional fractions of
// a second), blanks around it allowed. Throws the type mismatch error for any
// other text or an impossible date or time.
CalendarDate calendar_date_of(std::string_view text);

}  // namespace modKitebrook
