#pragma once

#include <ctime>

#include "common/clock.h"

namespace kbtest {

// A clock that stands still until the test moves it.
class FixedClock : public kb::Clock {
 public:
  std::time_t now() const override { return time; }
  std::time_t time = 1796558400;  // 2026-12-06, around noon
};

// The wall clock moved by `offset` seconds, for the real program.
class ShiftedClock : public kb::Clock {
 public:
  std::time_t now() const override { return std::time(nullptr) + offset; }
  std::time_t offset = 0;
};

}  // namespace kbtest
