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
  // Positions past sixteen bits fail too.
  const std::string long_text(40000, 'N');
  for (const std::string& url :
       {std::string("VBCONTAINER:GO_BACK"), std::string("VBCONTAINER:X("), std::string(),
        "VBCONTAINER:" + long_text + "(a)", "VBCONTAINER:X(" + long_text + ",b)"})
    EXPECT_FALSE(parse(url, old).name) << url.substr(0, 20);
  auto p = parse("VBCONTAINER:X(a,", old);
  EXPECT_FALSE(p.name);
  EXPECT_EQ(p.args[1], "a");
  EXPECT_EQ(p.args[3], "old3");  // never reached, keeps the earlier value
  // A long last argument holds no comma position and is taken.
  EXPECT_TRUE(parse("VBCONTAINER:X(" + long_text + ")").name);

  // Twenty-five arguments are taken, twenty-six are not.
  std::string url = "VBCONTAINER:X(";
  for (int i = 1; i <= 25; ++i) url += std::to_string(i) + (i < 25 ? "," : ")");
  p = parse(url);
  ASSERT_TRUE(p.name);
  EXPECT_EQ(p.count, 25);
  EXPECT_EQ(p.args[25], "25");
  url.back() = ',';
  url += "26)";
  p = parse(url);
  EXPECT_FALSE(p.name);
  EXPECT_EQ(p.args[25], "25");
}

TEST(CommandUrl, PrefixInAnyLetterCaseAndOnlyTheEnginesEscapesOfNonAsciiDecoded) {
  EXPECT_TRUE(is_command_url("vbcontainer:x()"));
  EXPECT_TRUE(is_command_url("VbContainer:"));
  EXPECT_FALSE(is_command_url("vbcontainer"));
  EXPECT_FALSE(is_command_url("http://vbcontainer:x()"));

  EXPECT_EQ(decode_non_ascii_escapes("x(Zo%C3%AB)"), "x(Zo\xC3\xAB)");
  EXPECT_EQ(decode_non_ascii_escapes("x(%E2%9C%93)"), "x(\xE2\x9C\x93)");
  // ASCII escapes, broken sequences, overlong forms, surrogates and code
  // points past U+10FFFF stay as written; the nearest valid forms decode.
  for (const char* kept : {"x(a%20b%2C%41)", "x(%C3)", "x(%C3%41)", "x(%FF%BF)", "%E2%9C",
                           "%E0%9F%BF%ED%A0%80%F0%8F%BF%BF%F4%90%80%80"})
    EXPECT_EQ(decode_non_ascii_escapes(kept), kept);
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
