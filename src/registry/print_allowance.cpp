#include "registry/print_allowance.h"

#include <exception>
#include <optional>
#include <string>

#include "common/vb_number.h"
#include "registry/local_date_time.h"
#include "registry/reg_value_convert.h"

namespace modKitebrook {
namespace {

constexpr const char* kLocation = "HKLM";
constexpr const char* kCountName = "PrintCount";
constexpr const char* kDayName = "LastPrintUpdate";

std::string allowance_key() {
  return std::string("Software\\Marlowby Software\\") + "Kitebrook";
}

}  // namespace

PrintAllowance::PrintAllowance(const modRegistry::Registry& registry, const kb::Clock& clock,
                               kb::MessageBox& box)
    : registry_(registry), clock_(clock), box_(box) {}

bool PrintAllowance::can_print(std::int16_t print_limit) {
  try {
    std::int16_t count = get_daily_print_count(print_limit);
    if (count >= print_limit) return false;
    ++count;
    // The write's status is not examined: a count that cannot be stored
    // does not stop the print.
    registry_.set_reg_value(kLocation, allowance_key(), kCountName, "S", std::to_string(count));
    return true;
  } catch (const std::exception&) {
    box_.show("Error in can_print");
    return false;
  }
}

std::int16_t PrintAllowance::get_daily_print_count(std::int16_t print_limit) {
  try {
    // No readable day counts as a day that is never today.
    std::optional<CalendarDate> last;
    modRegistry::RegValue stored;
    if (registry_.get_reg_value(kLocation, allowance_key(), kDayName, "S", std::string(), stored) ==
        0)
      last = calendar_date_of(modRegistry::text_of(stored));
    const CalendarDate today = local_date_of(clock_.now());

    if (last != today) {
      print_reset();
      return 0;
    }
    std::int16_t count = 0;
    if (registry_.get_reg_value(kLocation, allowance_key(), kCountName, "S", std::string(),
                                stored) == 0)
      count = kb::numeric_value16(modRegistry::text_of(stored));
    return count;
  } catch (const std::exception&) {
    box_.show("Error in get daily print count");
    return print_limit;
  }
}

void PrintAllowance::print_reset() {
  try {
    const std::time_t now = clock_.now();
    registry_.set_reg_value(kLocation, allowance_key(), kCountName, "S", std::string("0"));
    registry_.set_reg_value(kLocation, allowance_key(), kDayName, "S", iso_local_date_time(now));
  } catch (const std::exception&) {
    box_.show("Error in print reset");
  }
}

}  // namespace modKitebrook
