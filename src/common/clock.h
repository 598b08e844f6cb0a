#pragma once

#include <ctime>

namespace kb {

// The wall clock, replaceable in tests so that a new day or a clock set back
// can be tried without waiting.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::time_t now() const = 0;
};

class SystemClock : public Clock {
 public:
  std::time_t now() const override { return std::time(nullptr); }
};

}  // namespace kb
