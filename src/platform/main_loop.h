#pragma once

#include <chrono>
#include <functional>

namespace kb::gtk {

// Runs `task` on a later turn of the main loop, outside the signal emission
// that asked for it.
void run_soon(std::function<void()> task);

// Runs events until the program ends (it ends through exit, never by
// returning from here).
[[noreturn]] void run_main_loop();

// Lets every pending event run, then returns.
void event_step();

// Runs events until `done` answers true or the time is up; answers `done()`.
bool run_events_until(const std::function<bool()>& done, std::chrono::milliseconds limit);

}  // namespace kb::gtk
