#include "common/kb_error.h"

#include <utility>

namespace kb {

Error::Error(int number, std::string description, std::string source)
    : std::runtime_error(description),
      number_(number),
      description_(std::move(description)),
      source_(std::move(source)) {}

Error object_not_set() {
  return Error(91, "Object variable or With block variable not set");
}

Error overflow() {
  return Error(6, "Overflow");
}

Error type_mismatch() {
  return Error(13, "Type mismatch");
}

Error invalid_call(std::string what, std::string source) {
  return Error(5, std::move(what), std::move(source));
}

Error out_of_memory() {
  return Error(7, "Out of memory");
}

Error subscript_out_of_range() {
  return Error(9, "Subscript out of range");
}

Error internal_error(std::string what) {
  return Error(51, "Internal error: " + what);
}

Error bad_file_name(std::string what) {
  return Error(52, std::move(what));
}

Error file_not_found(std::string what) {
  return Error(53, std::move(what));
}

Error file_access(std::string what) {
  return Error(75, std::move(what));
}

Error path_not_found(std::string what, std::string source) {
  return Error(76, std::move(what), std::move(source));
}

Error invalid_property_value() {
  return Error(380, "Invalid property value");
}

Error window_cannot_be_sized() {
  return Error(384, "A form can't be moved or sized while minimized or maximized");
}

Error engine_failure(std::string what) {
  return Error(-2147467259, std::move(what));  // the engine's "unspecified failure"
}

Error script_exception(std::string what) {
  return Error(-2147352319, std::move(what));  // an exception raised by a script
}

Error xml_not_well_formed(std::string what) {
  return Error(-1072896760, std::move(what));  // the XML parser's "not well-formed"
}

std::string describe(const std::exception& failure) {
  if (const auto* error = dynamic_cast<const Error*>(&failure)) return error->description();
  return failure.what();
}

}  // namespace kb
