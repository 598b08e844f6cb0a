#include "common/kb_error.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

namespace kb {
namespace {

// Every failure reaches the message traps as a kb::Error: the program's own
// unchanged, the rest with the number and words of their kind.
TEST(KbError, AnyFailureBecomesAnErrorOfItsKind) {
  const Error own = path_not_found("No such folder", "modRegistry");
  const Error kept = as_error(own);
  EXPECT_EQ(kept.number(), 76);
  EXPECT_EQ(kept.description(), "No such folder");
  EXPECT_EQ(kept.source(), "modRegistry");

  const Error memory = as_error(std::bad_alloc());
  EXPECT_EQ(memory.number(), 7);
  EXPECT_EQ(memory.description(), "Out of memory");

  const Error other = as_error(std::runtime_error("disk on fire"));
  EXPECT_EQ(other.number(), 51);
  EXPECT_EQ(other.description(), "Internal error: disk on fire");
  EXPECT_EQ(other.source(), "Kitebrook");

  // A message shows a foreign failure's own words, without the prefix.
  EXPECT_EQ(describe(std::runtime_error("disk on fire")), "disk on fire");
  EXPECT_EQ(describe(permission_denied("Another window is busy")), "Another window is busy");
  EXPECT_EQ(permission_denied("x").number(), 70);
}

}  // namespace
}  // namespace kb
