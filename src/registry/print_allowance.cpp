#include "registry/print_allowance.h"

#include <exception>
#include <optional>
#include <string>

#include "common/vb_number.h"
#include "registry/local_date_time.h"
#include "registry/reg_value_convert.h"
#include "registry/registry_status.h"
#include "registry/sqlite_db.h"

namespace modKitebrook {
namespace {

using modRegistry::RegValues;

constexpr const char* kLocation = "HKLM";
constexpr const char* kCountName = "PrintCount";
constexpr const char* kDayName = "LastPrintUpdate";

std::string allowance_key() {
  return std::string("Software\\Marlowby Software\\") + "Kitebrook";
}

// Why the counter could not be used, in words for the parent.
std::string reason_for(const modRegistry::HiveOutcome& outcome) {
  switch (outcome.status) {
    case modRegistry::ERROR_BUSY:
      return "another Kitebrook window kept it busy";
    case modRegistry::ERROR_ACCESS_DENIED:
      return "its file or folder may not be written";
    case modRegistry::ERROR_DISK_FULL:
      return "the disk is full";
    case modRegistry::ERROR_BADDB:
      return "its file is damaged";
    default:
      return outcome.description;
  }
}

std::string counter_failure_text(const modRegistry::HiveOutcome& outcome) {
  if (!outcome.set_aside.empty())
    return "The print counter was damaged. It was kept as " +
           outcome.set_aside.filename().string() +
           " and a new one was started; this print is refused, the next ones are counted "
           "afresh.";
  return "Printing is refused: the day's print count cannot be read or stored (" +
         reason_for(outcome) + ").";
}

}  // namespace

PrintAllowance::PrintAllowance(const modRegistry::Registry& registry, const kb::Clock& clock,
                               kb::MessageBox& box)
    : registry_(registry), clock_(clock), box_(box) {}

bool PrintAllowance::can_print(std::int16_t print_limit) {
  try {
    bool allowed = false;
    // The count is read and raised in one transaction, so that no print of
    // another session can slip in between.
    const bool stored = in_one_transaction([&](const RegValues& values) {
      allowed = false;
      std::int16_t count = daily_print_count(values, print_limit);
      if (count >= print_limit) return;
      ++count;
      values.set(allowance_key(), kCountName, "S", std::to_string(count));
      allowed = true;
    });
    return stored && allowed;
  } catch (const std::exception&) {
    box_.show("Error in can_print");
    return false;
  }
}

std::int16_t PrintAllowance::get_daily_print_count(std::int16_t print_limit) {
  std::int16_t count = print_limit;
  if (!in_one_transaction(
          [&](const RegValues& values) { count = daily_print_count(values, print_limit); }))
    return print_limit;
  return count;
}

void PrintAllowance::print_reset() {
  in_one_transaction([&](const RegValues& values) { reset(values); });
}

bool PrintAllowance::in_one_transaction(const std::function<void(const RegValues&)>& body) {
  pending_.clear();
  const modRegistry::HiveOutcome outcome =
      registry_.update_values(kLocation, [&](RegValues& values) { body(values); });
  // Shown only now: a message box waits for the person, and the hive must not
  // stay locked against the other sessions meanwhile.
  std::vector<std::string> messages;
  messages.swap(pending_);
  for (const std::string& message : messages) box_.show(message);
  if (outcome.status == modRegistry::ERROR_SUCCESS) return true;
  box_.show(counter_failure_text(outcome));
  return false;
}

std::int16_t PrintAllowance::daily_print_count(const RegValues& values, std::int16_t print_limit) {
  try {
    // No readable day counts as a day that is never today.
    std::optional<CalendarDate> last;
    modRegistry::RegValue stored;
    if (values.get(allowance_key(), kDayName, "S", std::string(), stored) == 0)
      last = calendar_date_of(modRegistry::text_of(stored));
    const CalendarDate today = local_date_of(clock_.now());

    if (last != today) {
      reset(values);
      return 0;
    }
    std::int16_t count = 0;
    if (values.get(allowance_key(), kCountName, "S", std::string(), stored) == 0)
      count = kb::numeric_value16(modRegistry::text_of(stored));
    return count;
  } catch (const modRegistry::StoreError&) {
    throw;  // the store's failures end the whole transaction
  } catch (const std::exception&) {
    pending_.push_back("Error in get daily print count");
    return print_limit;
  }
}

void PrintAllowance::reset(const RegValues& values) {
  try {
    const std::time_t now = clock_.now();
    values.set(allowance_key(), kCountName, "S", std::string("0"));
    values.set(allowance_key(), kDayName, "S", iso_local_date_time(now));
  } catch (const modRegistry::StoreError&) {
    throw;
  } catch (const std::exception&) {
    pending_.push_back("Error in print reset");
  }
}

}  // namespace modKitebrook
