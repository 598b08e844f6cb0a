#include "registry/local_date_time.h"

#include <cstdio>

#include "common/kb_error.h"

namespace modKitebrook {
namespace {

std::tm local_tm(std::time_t moment) {
  std::tm parts{};
  if (::localtime_r(&moment, &parts) == nullptr)
    throw kb::invalid_call("The clock's time cannot be converted to a local date", "modKitebrook");
  return parts;
}

bool is_leap(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int days_in_month(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && is_leap(year) ? 29 : kDays[month - 1];
}

// Reads exactly `count` digits at `pos`, advancing past them.
bool read_digits(std::string_view text, std::size_t& pos, std::size_t count, int& number) {
  if (text.size() - pos < count) return false;
  number = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const char c = text[pos + i];
    if (c < '0' || c > '9') return false;
    number = number * 10 + (c - '0');
  }
  pos += count;
  return true;
}

bool read_char(std::string_view text, std::size_t& pos, char expected) {
  if (pos >= text.size() || text[pos] != expected) return false;
  ++pos;
  return true;
}

bool read_time_of_day(std::string_view text, std::size_t& pos) {
  int hour = 0;
  int minute = 0;
  if (!read_digits(text, pos, 2, hour) || !read_char(text, pos, ':') ||
      !read_digits(text, pos, 2, minute))
    return false;
  if (hour > 23 || minute > 59) return false;
  if (!read_char(text, pos, ':')) return true;
  int second = 0;
  if (!read_digits(text, pos, 2, second) || second > 59) return false;
  if (read_char(text, pos, '.') || read_char(text, pos, ',')) {
    const std::size_t first = pos;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') ++pos;
    if (pos == first) return false;
  }
  return true;
}

}  // namespace

CalendarDate local_date_of(std::time_t moment) {
  const std::tm parts = local_tm(moment);
  return CalendarDate{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday};
}

std::string iso_local_date_time(std::time_t moment) {
  const std::tm parts = local_tm(moment);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", parts.tm_year + 1900,
                parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
  return text;
}

CalendarDate calendar_date_of(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  CalendarDate date;
  std::size_t pos = 0;
  const bool date_read = read_digits(text, pos, 4, date.year) && read_char(text, pos, '-') &&
                         read_digits(text, pos, 2, date.month) && read_char(text, pos, '-') &&
                         read_digits(text, pos, 2, date.day);
  if (!date_read || date.year < 1 || date.month < 1 || date.month > 12 || date.day < 1 ||
      date.day > days_in_month(date.year, date.month))
    throw kb::type_mismatch();
  if (pos < text.size()) {
    if (text[pos] != 'T' && text[pos] != ' ') throw kb::type_mismatch();
    ++pos;
    if (!read_time_of_day(text, pos) || pos != text.size()) throw kb::type_mismatch();
  }
  return date;
}

}  // namespace modKitebrook
