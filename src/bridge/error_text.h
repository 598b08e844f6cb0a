#pragma once

#include "common/kb_error.h"

namespace KBVBHTMLInterfaces {

// The description a trap puts into its message (one function for the whole
// program, kept with the error type).
using kb::describe;

}  // namespace KBVBHTMLInterfaces
