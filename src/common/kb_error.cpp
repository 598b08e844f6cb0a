#include "common/kb_error.h"

#include <new>
#include <utility>

namespace kb {

Error::Error(int number, std::string description, std::string source)
    : std::runtime_error(description),
      number_(number),
      description_(std::move(description)),
      source_(std::move(source)) {}

Error object_not_set() {
  return Error(error_number::object_not_set, "Object variable or With block variable not set");
}

Error overflow() {
  return Error(error_number::overflow, "Overflow");
}

Error type_mismatch() {
  return Error(error_number::type_mismatch, "Type mismatch");
}

Error invalid_call(std::string what, std::string source) {
  return Error(error_number::invalid_call, std::move(what), std::move(source));
}

Error out_of_memory() {
  return Error(error_number::out_of_memory, "Out of memory");
}

Error out_of_memory(std::string what) {
  return Error(error_number::out_of_memory, std::move(what));
}

Error subscript_out_of_range() {
  return Error(error_number::subscript_out_of_range, "Subscript out of range");
}

Error internal_error(std::string what) {
  return Error(error_number::internal_error, "Internal error: " + what);
}

Error bad_file_name(std::string what) {
  return Error(error_number::bad_file_name, std::move(what));
}

Error file_not_found(std::string what) {
  return Error(error_number::file_not_found, std::move(what));
}

Error permission_denied(std::string what) {
  return Error(error_number::permission_denied, std::move(what));
}

Error file_access(std::string what) {
  return Error(error_number::file_access, std::move(what));
}

Error path_not_found(std::string what, std::string source) {
  return Error(error_number::path_not_found, std::move(what), std::move(source));
}

Error invalid_property_value() {
  return Error(error_number::invalid_property_value, "Invalid property value");
}

Error window_cannot_be_sized() {
  return Error(error_number::window_cannot_be_sized,
               "A form can't be moved or sized while minimized or maximized");
}

Error engine_failure(std::string what) {
  return Error(error_number::engine_failure, std::move(what));
}

Error script_exception(std::string what) {
  return Error(error_number::script_exception, std::move(what));
}

Error xml_not_well_formed(std::string what) {
  return Error(error_number::xml_not_well_formed, std::move(what));
}

Error as_error(const std::exception& failure) {
  if (const auto* error = dynamic_cast<const Error*>(&failure)) return *error;
  if (dynamic_cast<const std::bad_alloc*>(&failure)) return out_of_memory();
  return internal_error(failure.what());
}

std::string describe(const std::exception& failure) {
  if (const auto* error = dynamic_cast<const Error*>(&failure)) return error->description();
  return failure.what();
}

}  // namespace kb
