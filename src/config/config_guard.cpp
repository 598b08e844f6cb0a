#include "config/config_guard.h"

#include <pugixml.hpp>

#include <new>

namespace KBConfigIO {

kb::Error as_kb_error(const std::exception& failure) {
  if (const auto* error = dynamic_cast<const kb::Error*>(&failure)) return *error;
  if (dynamic_cast<const std::bad_alloc*>(&failure)) return kb::Error(7, "Out of memory");
  if (const auto* xpath = dynamic_cast<const pugi::xpath_exception*>(&failure))
    return kb::Error(5, std::string("Invalid path query: ") + xpath->what(), "pugixml");
  return kb::Error(51, std::string("Internal error: ") + failure.what());
}

std::string change_failure_reason(const std::exception& failure) {
  const kb::Error error = as_kb_error(failure);
  switch (error.number()) {
    case 91:
      return "the configuration file cannot be read, or it lacks the part this change needs";
    case 6:
      return "the numbers of users and sites stop at 32767";
    case 13:
      return "a number was expected";
    default:
      return error.description();
  }
}

std::string error_number_source_text(const kb::Error& error) {
  return "Error: " + error.description() + std::to_string(error.number()) + error.source();
}

}  // namespace KBConfigIO
