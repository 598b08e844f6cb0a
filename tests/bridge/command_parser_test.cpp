#include "bridge/command_parser.h"
#include "bridge/script_call.h"
#include "shell/platform.h"

#include <gtest/gtest.h>

namespace KBVBHTMLInterfaces {
namespace {

using kb::CommandArgs;
using kb::is_command_url;

// The command's name, its argument count and the arguments joined by '|', or
// "refused"; `args` keeps the slots written.
std::string parse(const std::string& url, CommandArgs& args) {
  std::int16_t count = 0;
  const auto name = split_command_text(url, args, count);
  if (!name) return "refused";
  std::string text = *name + " " + std::to_string(count) + " " + args[1];
  for (int i = 2; i <= count; ++i) text += "|" + args[i];
  return text;
}
std::string parse(const std::string& url) {
  CommandArgs args{};
  return parse(url, args);
}

TEST(CommandParser, CutsNameAndArgumentsAsWrittenAndRefusesMalformedCommands) {
  // Positions past sixteen bits fail; a long last argument holds no comma
  // position and is taken.
  const std::string long_text(40000, 'N');
  const std::pair<std::string, std::string> rows[] = {
      {"VBCONTAINER:X(a,,b)", "X 3 a||b"},
      {"vbcontainer:go_back()", "go_back 1 "},
      {"VBCONTAINER:X( a , b )", "X 2  a | b "},
      {"VBCONTAINER:X('a','b')", "X 2 'a'|'b'"},
      {"VBCONTAINER:X(abc", "X 1 ab"},  // the last character goes, whatever it is
      {"VBCONTAINER:GO_BACK ()", "GO_BACK  1 "},
      {"VBCONTAINER:(a)", " 1 a"},
      {"VBCONTAINER:GO_BACK", "refused"},
      {"VBCONTAINER:X(", "refused"},
      {"", "refused"},
      {"VBCONTAINER:" + long_text + "(a)", "refused"},
      {"VBCONTAINER:X(" + long_text + ",b)", "refused"},
      {"VBCONTAINER:X(" + long_text + ")", "X 1 " + long_text},
  };
  for (const auto& [url, expected] : rows) EXPECT_EQ(parse(url), expected) << url.substr(0, 30);

  CommandArgs args{};
  args[1] = "old1";
  args[3] = "old3";
  EXPECT_EQ(parse("VBCONTAINER:X(a,", args), "refused");
  EXPECT_EQ(args[1] + args[3], "aold3");  // the third slot is never reached

  // Twenty-five arguments are taken, twenty-six are not.
  std::string url = "VBCONTAINER:X(1", taken = "X 25 1";
  for (int i = 2; i <= 25; ++i) {
    url += "," + std::to_string(i);
    taken += "|" + std::to_string(i);
  }
  EXPECT_EQ(parse(url + ")"), taken);
  EXPECT_EQ(parse(url + ",26)", args), "refused");
  EXPECT_EQ(args[25], "25");
}

TEST(CommandUrl, PrefixInAnyLetterCaseAndOnlyTheEnginesEscapesOfNonAsciiDecoded) {
  EXPECT_TRUE(is_command_url("vbcontainer:x()"));
  EXPECT_TRUE(is_command_url("VbContainer:"));
  EXPECT_FALSE(is_command_url("vbcontainer"));
  EXPECT_FALSE(is_command_url("http://vbcontainer:x()"));

  // ASCII escapes, broken sequences, overlong forms, surrogates and code
  // points past U+10FFFF stay as written; the nearest valid forms decode.
  for (const char* kept : {"x(a%20b%2C%41)", "x(%C3)", "x(%C3%41)", "x(%FF%BF)", "%E2%9C",
                           "%E0%9F%BF%ED%A0%80%F0%8F%BF%BF%F4%90%80%80"})
    EXPECT_EQ(decode_non_ascii_escapes(kept), kept);
  EXPECT_EQ(
      decode_non_ascii_escapes("x(Zo%C3%AB)%E2%9C%93%E0%A0%80%ED%9F%BF%F0%90%80%80%F4%8F%BF%BF"),
      "x(Zo\xC3\xAB)\xE2\x9C\x93\xE0\xA0\x80\xED\x9F\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF");
  EXPECT_EQ(replace_percent20("a%20b%2020%"), "a b 20%");
}

TEST(ScriptCall, ValuesBecomeStringLiteralsThatCannotRunScript) {
  EXPECT_EQ(js_call("F", {"a", ""}), "F('a','')");
  // Other text, non-ASCII included, passes unchanged.
  const std::pair<std::string, const char*> rows[] = {
      {"O'Brien back\\slash", "'O\\'Brien back\\\\slash'"},
      {"two\nlines\r", "'two\\nlines\\r'"},
      {"</script>", "'\\x3C/script>'"},
      {std::string("nul\0tab\t", 8), "'nul\\x00tab\\x09'"},
      {"\xE2\x80\xA8", "'\\u2028'"},
      {"Zo\xC3\xAB \"quoted\"", "'Zo\xC3\xAB \"quoted\"'"},
  };
  for (const auto& [text, literal] : rows) EXPECT_EQ(js_string_literal(text), literal);
}

}  // namespace
}  // namespace KBVBHTMLInterfaces
