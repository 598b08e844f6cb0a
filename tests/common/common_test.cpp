#include "common/atomic_file.h"
#include "common/vb_number.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "common/kb_error.h"

namespace kb {
namespace {

// Killed writes, permissions and leftovers are proved through the configuration store.
TEST(AtomicFile, AWriteIntoAMissingFolderFails) {
  EXPECT_THROW(write_file_atomically("/no such folder/a.xml", "x"), Error);
}

TEST(VbNumber, TextsAreReadAsNumbersAsThePagesMeanThem) {
  // The leading numeric part, rounded halves to even, within 16 bits.
  const std::pair<const char*, int> values[] = {
      {"7abc", 7}, {"2.5", 2}, {"3.5", 4}, {"-2.5", -2},  {"  12 ", 12},    {"", 0},
      {"abc", 0},  {".", 0},   {"5e", 5},  {"1e2x", 100}, {"32767", 32767}, {"-32768", -32768}};
  for (const auto& [text, value] : values) EXPECT_EQ(numeric_value16(text), value) << text;
  for (const char* text : {"40000", "-32769", "1e400"})
    EXPECT_THROW(numeric_value16(text), Error) << text;
  EXPECT_EQ(whole_number(" -1 "), -1.0);
  EXPECT_EQ(whole_number("0"), 0.0);
  for (const char* text : {"yes", "1x", ""}) EXPECT_FALSE(whole_number(text)) << text;
  EXPECT_TRUE(is_plain_decimal("0012"));
  for (const char* text : {"", "1 or 1=1", "-1", "1.0"})
    EXPECT_FALSE(is_plain_decimal(text)) << text;
}

// The program's own errors pass unchanged; other failures get the number and words of their kind.
TEST(KbError, AnyFailureBecomesAnErrorOfItsKind) {
  std::string shown;
  for (const Error& e :
       {as_error(path_not_found("No such folder", "modRegistry")), as_error(std::bad_alloc()),
        permission_denied("Another window is busy"), as_error(std::runtime_error("disk on fire"))})
    shown += std::to_string(e.number()) + " " + e.description() + " (" + e.source() + ")|";
  EXPECT_EQ(shown,
            "76 No such folder (modRegistry)|7 Out of memory (Kitebrook)|70 Another window is busy "
            "(Kitebrook)|51 Internal error: disk on fire (Kitebrook)|");
  // A message shows a foreign failure's own words, without the prefix.
  EXPECT_EQ(describe(std::runtime_error("disk on fire")), "disk on fire");
  EXPECT_EQ(describe(permission_denied("Another window is busy")), "Another window is busy");
}

}  // namespace
}  // namespace kb
