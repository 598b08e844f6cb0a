#pragma once

#include <exception>
#include <type_traits>
#include <utility>

namespace kb::gtk {

// Writes why a callback from the toolkit or the engine failed.
void report_callback_failure(const char* what, const std::exception& failure);
void report_callback_failure(const char* what);

// Runs the body of a callback from the toolkit or the engine: an exception
// never crosses into their C code, where it would end the program. A failure
// is logged and the callback answers `on_failure`.
template <typename Result, typename Body>
Result guarded(const char* what, Body&& body, Result on_failure) {
  try {
    return std::forward<Body>(body)();
  } catch (const std::exception& e) {
    report_callback_failure(what, e);
  } catch (...) {
    report_callback_failure(what);
  }
  return on_failure;
}

// As above, for a callback that answers nothing.
template <typename Body>
void guarded(const char* what, Body&& body) {
  static_assert(std::is_void_v<std::invoke_result_t<Body>>);
  try {
    std::forward<Body>(body)();
  } catch (const std::exception& e) {
    report_callback_failure(what, e);
  } catch (...) {
    report_callback_failure(what);
  }
}

}  // namespace kb::gtk
