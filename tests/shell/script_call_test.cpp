#include "bridge/script_call.h"

#include <gtest/gtest.h>

namespace KBVBHTMLInterfaces {
namespace {

TEST(ScriptCall, ValuesBecomeStringLiteralsThatCannotRunScript) {
  EXPECT_EQ(js_call("Load_Sites", {"O'Brien"}), "Load_Sites('O\\'Brien')");
  EXPECT_EQ(js_call("F", {"a", ""}), "F('a','')");
  EXPECT_EQ(js_string_literal("back\\slash"), "'back\\\\slash'");
  EXPECT_EQ(js_string_literal("two\nlines\r"), "'two\\nlines\\r'");
  EXPECT_EQ(js_string_literal("</script>"), "'\\x3C/script>'");
  EXPECT_EQ(js_string_literal(std::string("nul\0tab\t", 8)), "'nul\\x00tab\\x09'");
  EXPECT_EQ(js_string_literal("\xE2\x80\xA8"), "'\\u2028'");
  // Other text, non-ASCII included, passes unchanged.
  EXPECT_EQ(js_string_literal("Zo\xC3\xAB \"quoted\""), "'Zo\xC3\xAB \"quoted\"'");
}

}  // namespace
}  // namespace KBVBHTMLInterfaces
