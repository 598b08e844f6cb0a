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

}  // namespace kb
