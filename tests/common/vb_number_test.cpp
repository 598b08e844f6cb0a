#include "common/vb_number.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace kb
