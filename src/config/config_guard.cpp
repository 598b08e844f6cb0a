#include "config/config_guard.h"

#include <pugixml.hpp>

namespace KBConfigIO {

kb::Error as_kb_error(const std::exception& failure) {
  // The XML library's own failure is the one kind only this layer knows.
  if (const auto* xpath = dynamic_cast<const pugi::xpath_exception*>(&failure))
    return kb::invalid_call(std::string("Invalid path query: ") + xpath->what(), "pugixml");
  return kb::as_error(failure);
}

std::string change_failure_reason(const std::exception& failure) {
  const kb::Error error = as_kb_error(failure);
  switch (error.number()) {
    case kb::error_number::object_not_set:
      return "the configuration file cannot be read, or it lacks the part this change needs";
    case kb::error_number::overflow:
      return "the numbers of users and sites stop at 32767";
    case kb::error_number::type_mismatch:
      return "a number was expected";
    default:
      return error.description();
  }
}

std::string error_number_source_text(const kb::Error& error) {
  return "Error: " + error.description() + std::to_string(error.number()) + error.source();
}

}  // namespace KBConfigIO
