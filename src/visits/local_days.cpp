#include "visits/local_days.h"

#include <array>
#include <cstdio>

#include "common/kb_error.h"

namespace kb::visits {
namespace {

std::tm local_time(std::time_t moment) {
  std::tm local{};
  if (!localtime_r(&moment, &local))
    throw kb::invalid_call("The moment cannot be placed in the local calendar", "visits");
  return local;
}

// The start of the local day with this date; mktime works out the offset of
// that day (summer time included) and carries a day past the month's end.
std::time_t start_of_day(int year, int month, int day) {
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_isdst = -1;
  return std::mktime(&local);
}

}  // namespace

std::string local_day_of(std::time_t moment) {
  const std::tm local = local_time(moment);
  std::array<char, 16> text{};
  std::snprintf(text.data(), text.size(), "%04d-%02d-%02d", (local.tm_year + 1900) % 10000,
                (local.tm_mon + 1) % 100, local.tm_mday % 100);
  return text.data();
}

std::optional<std::pair<std::time_t, std::time_t>> local_day_span(std::string_view day) {
  if (day.size() != 10 || day[4] != '-' || day[7] != '-') return std::nullopt;
  for (const std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
    if (day[i] < '0' || day[i] > '9') return std::nullopt;
  const auto number = [&](std::size_t from, std::size_t count) {
    int value = 0;
    for (std::size_t i = from; i < from + count; ++i) value = value * 10 + (day[i] - '0');
    return value;
  };
  const int year = number(0, 4);
  const int month = number(5, 2);
  const int mday = number(8, 2);
  if (year < 1970 || month < 1 || month > 12 || mday < 1 || mday > 31) return std::nullopt;
  const std::time_t start = start_of_day(year, month, mday);
  // A date past the month's end comes back as another day.
  if (start == -1 || local_day_of(start) != day) return std::nullopt;
  return std::make_pair(start, start_of_day(year, month, mday + 1));
}

std::time_t next_local_midnight(std::time_t moment) {
  const std::tm local = local_time(moment);
  return start_of_day(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday + 1);
}

}  // namespace kb::visits
