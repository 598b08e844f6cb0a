#pragma once

#include <exception>
#include <string>

#include "common/kb_error.h"

namespace KBVBHTMLInterfaces {

// The description a trap puts into its message.
inline std::string describe(const std::exception& e) {
  if (const auto* error = dynamic_cast<const kb::Error*>(&e)) return error->description();
  return e.what();
}

}  // namespace KBVBHTMLInterfaces
