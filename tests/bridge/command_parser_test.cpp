#include "bridge/command_parser.h"
#include "bridge/script_call.h"
#include "shell/platform.h"

#include <gtest/gtest.h>

namespace KBVBHTMLInterfaces {
namespace {

using kb::CommandArgs;
using kb::is_command_url;

struct Parsed {
  std::optional<std::string> name;
  CommandArgs args{};
  std::int16_t count = 0;
};

Parsed parse(const std::string& url, CommandArgs start = {}) {
  Parsed p;
  p.args = start;
  p.name = split_command_text(url, p.args, p.count);
  return p;
}

TEST(CommandParser, CutsNameAndArgumentsAsWritten) {
  struct Row {
    const char* url;
    const char* name;
    int count;
    const char* args;  // the arguments joined by '|'
  };
  const Row rows[] = {
      {"VBCONTAINER:X(a,,b)", "X", 3, "a||b"},       {"vbcontainer:go_back()", "go_back", 1, ""},
      {"VBCONTAINER:X( a , b )", "X", 2, " a | b "}, {"VBCONTAINER:X('a','b')", "X", 2, "'a'|'b'"},
      {"VBCONTAINER:X(abc", "X", 1, "ab"},  // the last character goes, whatever it is
      {"VBCONTAINER:GO_BACK ()", "GO_BACK ", 1, ""}, {"VBCONTAINER:(a)", "", 1, "a"},
  };
  for (const Row& row : rows) {
    const Parsed p = parse(row.url);
    ASSERT_EQ(p.name, row.name) << row.url;
    EXPECT_EQ(p.count, row.count) << row.url;
    std::string joined = p.args[1];
    for (int i = 2; i <= p.count; ++i) joined += "|" + p.args[i];
    EXPECT_EQ(joined, row.args) << row.url;
  }
}

TEST(CommandParser, MalformedCommandsFailKeepingTheSlotsWritten) {
  CommandArgs old{};
  old[1] = "old1";
  old[3] = "old3";
  EXPECT_FALSE(parse("VBCONTAINER:GO_BACK", old).name);
  EXPECT_FALSE(parse("VBCONTAINER:X(", old).name);
  auto p = parse("VBCONTAINER:X(a,", old);
  EXPECT_FALSE(p.name);
  EXPECT_EQ(p.args[1], "a");
  EXPECT_EQ(p.args[3], "old3");  // never reached, keeps the earlier value
  EXPECT_FALSE(parse("", old).name);
}

TEST(CommandParser, TakesTwentyFiveArgumentsButNotTwentySix) {
  std::string url = "VBCONTAINER:X(";
  for (int i = 1; i <= 25; ++i) url += std::to_string(i) + (i < 25 ? "," : ")");
  auto p = parse(url);
  ASSERT_TRUE(p.name);
  EXPECT_EQ(p.count, 25);
  EXPECT_EQ(p.args[25], "25");

  url.back() = ',';
  url += "26)";
  p = parse(url);
  EXPECT_FALSE(p.name);
  EXPECT_EQ(p.args[25], "25");
}

TEST(CommandParser, PositionsBeyondSixteenBitsFail) {
  const std::string long_name(40000, 'N');
  EXPECT_FALSE(parse("VBCONTAINER:" + long_name + "(a)").name);
  const std::string long_arg(40000, 'a');
  EXPECT_FALSE(parse("VBCONTAINER:X(" + long_arg + ",b)").name);
  // A long last argument holds no comma position and is taken.
  EXPECT_TRUE(parse("VBCONTAINER:X(" + long_arg + ")").name);
}

TEST(CommandUrl, PrefixInAnyLetterCase) {
  EXPECT_TRUE(is_command_url("vbcontainer:x()"));
  EXPECT_TRUE(is_command_url("VbContainer:"));
  EXPECT_FALSE(is_command_url("vbcontainer"));
  EXPECT_FALSE(is_command_url("http://vbcontainer:x()"));
}

TEST(CommandUrl, DecodesOnlyTheEnginesEscapesOfNonAsciiCharacters) {
  EXPECT_EQ(decode_non_ascii_escapes("x(Zo%C3%AB)"), "x(Zo\xC3\xAB)");
  EXPECT_EQ(decode_non_ascii_escapes("x(%E2%9C%93)"), "x(\xE2\x9C\x93)");
  // ASCII escapes and broken sequences stay as written.
  EXPECT_EQ(decode_non_ascii_escapes("x(a%20b%2C%41)"), "x(a%20b%2C%41)");
  EXPECT_EQ(decode_non_ascii_escapes("x(%C3)"), "x(%C3)");
  EXPECT_EQ(decode_non_ascii_escapes("x(%C3%41)"), "x(%C3%41)");
  EXPECT_EQ(decode_non_ascii_escapes("x(%FF%BF)"), "x(%FF%BF)");
  EXPECT_EQ(decode_non_ascii_escapes("%E2%9C"), "%E2%9C");
  // Overlong forms, surrogates and code points past U+10FFFF encode no
  // character, so they stay as written; the nearest valid forms decode.
  EXPECT_EQ(decode_non_ascii_escapes("%E0%9F%BF%ED%A0%80%F0%8F%BF%BF%F4%90%80%80"),
            "%E0%9F%BF%ED%A0%80%F0%8F%BF%BF%F4%90%80%80");
  EXPECT_EQ(decode_non_ascii_escapes("%E0%A0%80%ED%9F%BF%F0%90%80%80%F4%8F%BF%BF"),
            "\xE0\xA0\x80\xED\x9F\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF");
  EXPECT_EQ(replace_percent20("a%20b%2020%"), "a b 20%");
}

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
