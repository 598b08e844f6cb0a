#include "common/vb_number.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "common/kb_error.h"

namespace kb {
namespace {

TEST(NumericValue, TakesTheLeadingNumericPartAndRoundsHalvesToEven) {
  EXPECT_EQ(numeric_value16("7abc"), 7);
  EXPECT_EQ(numeric_value16("2.5"), 2);
  EXPECT_EQ(numeric_value16("3.5"), 4);
  EXPECT_EQ(numeric_value16("-2.5"), -2);
  EXPECT_EQ(numeric_value16("  12 "), 12);
  EXPECT_EQ(numeric_value16(""), 0);
  EXPECT_EQ(numeric_value16("abc"), 0);
  EXPECT_EQ(numeric_value16("."), 0);
  EXPECT_EQ(numeric_value16("1e2x"), 100);
  EXPECT_EQ(numeric_value16("5e"), 5);
}

TEST(NumericValue, OutOfRangeIsTheOverflowError) {
  EXPECT_EQ(numeric_value16("32767"), 32767);
  EXPECT_EQ(numeric_value16("-32768"), -32768);
  try {
    numeric_value16("40000");
    FAIL() << "no overflow";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 6);
    EXPECT_EQ(e.description(), "Overflow");
  }
  EXPECT_THROW(numeric_value16("-32769"), Error);
  EXPECT_THROW(numeric_value16("1e400"), Error);
}

TEST(WholeNumber, AcceptsOnlyTextsThatAreNumbers) {
  EXPECT_EQ(whole_number(" -1 "), -1.0);
  EXPECT_EQ(whole_number("0"), 0.0);
  EXPECT_FALSE(whole_number("yes"));
  EXPECT_FALSE(whole_number("1x"));
  EXPECT_FALSE(whole_number(""));
}

TEST(PlainDecimal, RejectsAnythingButDigits) {
  EXPECT_TRUE(is_plain_decimal("0012"));
  EXPECT_FALSE(is_plain_decimal(""));
  EXPECT_FALSE(is_plain_decimal("1 or 1=1"));
  EXPECT_FALSE(is_plain_decimal("-1"));
  EXPECT_FALSE(is_plain_decimal("1.0"));
}

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
