#pragma once

// The description of a failure now lives with the error type itself.
#include "common/kb_error.h"
