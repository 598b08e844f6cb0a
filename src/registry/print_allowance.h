#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/message_box.h"
#include "registry/mod_registry.h"

namespace modKitebrook {

// How many print commands are allowed per local calendar day, counted in the
// machine-wide hive under "Software\Marlowby Software\Kitebrook": "PrintCount"
// holds the prints allowed since "LastPrintUpdate", the local date and time
// of the last reset. Nothing is held between calls; every call reads afresh,
// and each call reads and writes in one transaction of the hive. A count that
// cannot be read or stored refuses the print and tells the parent why.
class PrintAllowance {
 public:
  PrintAllowance(const modRegistry::Registry& registry, const kb::Clock& clock,
                 kb::MessageBox& box);

  // True when one more print is allowed today, which is then already counted;
  // false when today's `print_limit` prints are used up or on a failure,
  // which is then shown.
  bool can_print(std::int16_t print_limit);

  // The prints already allowed today, resetting the count when the stored day
  // is not today. On a failure it reports it and answers `print_limit`, so
  // that the print is refused.
  std::int16_t get_daily_print_count(std::int16_t print_limit);

  // Starts a new day: the count goes to 0 and the day to the clock's now.
  void print_reset();

 private:
  // Runs `body` in one transaction of the hive, then shows the messages it
  // left and, when the hive failed, why. Answers whether it was stored.
  bool in_one_transaction(const std::function<void(const modRegistry::RegValues&)>& body);
  std::int16_t daily_print_count(const modRegistry::RegValues& values, std::int16_t print_limit);
  void reset(const modRegistry::RegValues& values);

  std::vector<std::string> pending_;
  const modRegistry::Registry& registry_;
  const kb::Clock& clock_;
  kb::MessageBox& box_;
};

}  // namespace modKitebrook
