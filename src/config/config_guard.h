#pragma once

#include <exception>
#include <string>

#include "common/kb_error.h"
#include "common/message_box.h"

namespace KBConfigIO {

// A failure as the message traps see it: a kb::Error as it is, anything else
// (the XML library, memory) turned into one with a description of its own.
kb::Error as_kb_error(const std::exception& failure);

// Why a change of the configuration failed, in plain words for the parent.
std::string change_failure_reason(const std::exception& failure);

// "Error: " followed by the description, the number and the source.
std::string error_number_source_text(const kb::Error& error);

// Runs `body`; a failure ends it and is shown in `box` as `message` words it.
// Nothing after the failing step runs, the save included.
template <typename Body, typename Message>
void run_with_message_guard(kb::MessageBox& box, Message message, Body body) {
  std::string text;
  try {
    body();
    return;
  } catch (const std::exception& failure) {
    text = message(as_kb_error(failure));
  }
  box.show(text);
}

}  // namespace KBConfigIO
