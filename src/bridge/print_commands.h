#pragma once

namespace kb {
class Kitebrook;
}

namespace KBVBHTMLInterfaces {

// Asks whether one more print may go ahead now, and counts it when it may.
// Printing must be switched on and today's allowance not used up; otherwise
// the child is told so and nothing is counted.
bool print_allowed_now(kb::Kitebrook& app);

}  // namespace KBVBHTMLInterfaces
