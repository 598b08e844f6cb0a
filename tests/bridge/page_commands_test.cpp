#include <gtest/gtest.h>

#include <regex>

#include "bridge/command_parser.h"
#include "bridge/script_call.h"
#include "support/app_fixture.h"
#include "support/full_disk.h"

namespace kb::testing {
namespace {

using namespace KBVBHTMLInterfaces;

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
      {"VBCONTAINER:X(" + long_text + ")", "X 1 " + long_text}};
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
      {"Zo\xC3\xAB \"quoted\"", "'Zo\xC3\xAB \"quoted\"'"}};
  for (const auto& [text, literal] : rows) EXPECT_EQ(js_string_literal(text), literal);
}

using PageCommands = AppTest;

TEST_F(PageCommands, ExitConfigAndStartForUserRebuildTheWindow) {
  start();
  // Once the parent removed the child, the user-selection page in a new window.
  send_from_web("VBCONTAINER:STARTFORUSER(Chris)");
  send_from_web("VBCONTAINER:REMOVEUSER(3)", "KBConfigmain.htm");
  std::size_t mark = platform_.journal.size();
  send_from_web("VBCONTAINER:EXIT_CONFIG()", "KBConfigmain.htm");
  EXPECT_EQ(platform_.windows.size(), 3u);
  EXPECT_EQ(web().location, page("SelectUser.htm"));
  EXPECT_EQ(journal_lines("splash v", mark), "splash visible");
  EXPECT_EQ(start_state(), "started visible shown maximized splash hidden");

  SCOPED_TRACE("a child's start gives it its buttons");
  mark = platform_.journal.size();
  send_from_web("VBCONTAINER:STARTFORUSER(Mary)");
  EXPECT_TRUE(platform_.window().shown);
  EXPECT_EQ(journal_lines("", mark),
            "create main window|web navigate " + page("UserStart.html") + "|controls navigate " +
                page("KBControls.html") +
                "|pause 500|controls script LoadControls('1','1','1','1','1','1')");
  EXPECT_FALSE(app_->state().control_bar_title_mode);
}

TEST_F(PageCommands, LoadSitesIntoAPageWithoutTheFunctionIsReported) {
  start();
  // The start page asks for its sites; the name travels as a safe literal.
  send_from_web("VBCONTAINER:STARTFORUSER(O'Brien)");
  send_from_web("VBCONTAINER:LOADSITES()", "UserStart.html");
  EXPECT_EQ(platform_.journal.back(), "web script Load_Sites('O\\'Brien')");
  // The page hears that its command has run.
  EXPECT_EQ(web().done_notices,
            std::vector<std::string>{
                "if (typeof kbCommandDone === 'function') kbCommandDone('LOADSITES')"});
  web().functions.erase("Load_Sites");
  send_from_web("VBCONTAINER:LOADSITES()", "UserStart.html");
  EXPECT_EQ(messages(), "Error in laod_user_sitesReferenceError: Can't find variable: Load_Sites");
}

TEST_F(PageCommands, TheParentsChangesAreSavedWhole) {
  start();
  const auto parent = [&](const std::string& command) {
    send_from_web("VBCONTAINER:" + command, "KBConfigmain.htm");
  };
  std::string held = "<KBConfig><Users/></KBConfig>";
  web().functions["document.getElementById"] = [&](const std::string& script) {
    if (script.find("'menuframe.vbData'") == std::string::npos) throw Error(1, "wrong element");
    return held;
  };
  parent("SAVE_CONFIG_FILE(x,Saved.xml)");
  ASSERT_TRUE(std::filesystem::exists(folder_ / "Data" / "Saved.xml"));
  EXPECT_EQ(messages(), "");
  const std::string before = read_config();
  for (const char* name : {"../KBConfig.xml", "..", ".", "", "sub/x.xml"})
    parent(std::string("SAVE_CONFIG_FILE(x,") + name + ")");
  EXPECT_EQ(platform_.messages.texts.size(), 5u);
  EXPECT_FALSE(std::filesystem::exists(folder_ / "KBConfig.xml"));
  held = "<KBConfig><Users></KBConfig>";
  parent("SAVE_CONFIG_FILE(x,KBConfig.xml)");
  EXPECT_EQ(read_config(), before);
  EXPECT_EQ(platform_.messages.texts.size(), 6u);
  EXPECT_NE(platform_.messages.texts.back().find("offset"), std::string::npos);

  SCOPED_TRACE("a command sent while a handler waits cannot change its arguments");
  // While SAVE_CONFIG_FILE reads the page, the page sends another command at
  // once, whose second argument names a picture in Data/Images.
  web().functions["document.getElementById"] = [&](const std::string&) {
    parent("NOSUCH(x,Images/owl.svg)");
    return std::string("<KBConfig><Users/></KBConfig>");
  };
  kbtest::write_file(folder_ / "Data" / "Images" / "owl.svg", "<svg/>");
  parent("SAVE_CONFIG_FILE(x,Saved2.xml)");
  EXPECT_EQ(app_->state().cmd_args[2], "Images/owl.svg");
  EXPECT_TRUE(std::filesystem::exists(folder_ / "Data" / "Saved2.xml"));
  EXPECT_EQ(kbtest::read_file(folder_ / "Data" / "Images" / "owl.svg"), "<svg/>");

  SCOPED_TRACE("every site change that fails tells the parent once");
  platform_.messages.texts.clear();
  {
    const kbtest::FullDisk full;
    for (const char* command :
         {"CLEARSITEGLOBALS()", "UPDATESITE(Farm,farm.svg,farm.example)", "REMOVESITE(1)",
          "ASSIGNSITETOUSER(3,2)", "REMOVEUSERFROMSITE(2,2)"})
      parent(command);
  }
  EXPECT_EQ(read_config(), before);
  EXPECT_EQ(std::regex_replace(messages(), std::regex("Cannot write [^|]*: "), ""),
            "The web site was not saved: File too large.|The web site was not removed: File too "
            "large.|The web site was not offered to the child: File too large.|The web site was "
            "not taken away from the child: File too large.");
  // Site numbers stop at 32767: the next site cannot be added.
  std::string config = before;
  config.replace(config.find("<ID>2</ID><AllowedUsers>"), 10, "<ID>32767</ID>");
  write_config(config);
  parent("UPDATESITE(Farm,farm.svg,farm.example)");
  EXPECT_EQ(platform_.messages.texts.back(),
            "The web site was not saved: the numbers of users and sites stop at 32767.");
  EXPECT_EQ(read_config(), config);
}

// One child's session with printing switched off: the history buttons, the parent's
// pages behind the exact password, cancel, and the wait after wrong guesses.
TEST_F(PageCommands, TheParentsPagesOpenOnlyWithTheExactPassword) {
  std::string config = kTwoChildren;
  write_config(config.replace(config.find("<PrintAllowed>Yes"), 17, "<PrintAllowed>No"));
  start();
  send_from_web("VBCONTAINER:STARTFORUSER(Mary)");
  // Printing switched off is refused whatever the limit.
  send_from_controls("VBCONTAINER:GO_PRINT()");
  EXPECT_EQ(journal_lines("web print"), "");
  EXPECT_EQ(messages(), "Mommy says no more printing!");
  std::size_t mark = platform_.journal.size();
  send_from_controls("VBCONTAINER:GO_BACK()");
  EXPECT_EQ(platform_.journal.size(), mark);
  // A step the history cannot make ends the command quietly.
  platform_.window().events.web_CommandStateChange(NavigationCommand::Back, true);
  web().has_history = false;
  send_from_controls("VBCONTAINER:GO_BACK()");
  EXPECT_EQ(platform_.messages.texts.size(), 1u);
  web().has_history = true;

  SCOPED_TRACE("the password");
  // A correct password before any page asked for one does nothing.
  mark = platform_.journal.size();
  send_from_web("VBCONTAINER:PROCESS_PWD_ENTRY(secret)", "password.htm");
  EXPECT_EQ(platform_.journal.size(), mark);
  send_from_controls("VBCONTAINER:GO_PARENT()");
  EXPECT_EQ(web().location, page("password.htm"));
  // Cancel gives the buttons back and steps back; title mode stays on, so
  // going home sets the buttons up once more.
  mark = platform_.journal.size();
  send_from_web("VBCONTAINER:PWDCANCEL()", "password.htm");
  EXPECT_EQ(journal_lines("", mark), "controls navigate " + page("KBControls.html") +
                                         "|pause 500|controls script "
                                         "LoadControls('1','1','1','1','1','1')|web back");
  EXPECT_TRUE(app_->state().control_bar_title_mode);
  send_from_controls("VBCONTAINER:GO_HOME()");
  EXPECT_EQ(platform_.journal.back(), "controls script LoadControls('1','1','1','1','1','1')");
  EXPECT_EQ(web().location, page("UserStart.html"));

  send_from_controls("VBCONTAINER:GO_PARENT()");
  send_from_web("VBCONTAINER:PROCESS_PWD_ENTRY(secret)", "password.htm");
  EXPECT_EQ(web().location, page("KBConfigmain.htm"));
  EXPECT_EQ(platform_.journal.back(), "controls script WriteMsg('Kitebrook Configuration')");
  // The plain-text password of the file became a hash at the correct entry.
  EXPECT_EQ(read_config().find("secret"), std::string::npos);
  EXPECT_TRUE(stored_password_is("secret"));
  EXPECT_EQ(journal_lines("end"), "");

  SCOPED_TRACE("five wrong entries in a row make the person wait a while");
  send_from_controls("VBCONTAINER:GO_PARENT()");
  platform_.messages.texts.clear();
  web().functions["if "] = [](const std::string&) { return std::string(); };
  mark = platform_.journal.size();
  for (int i = 0; i < 5; ++i) send_from_web("VBCONTAINER:PROCESS_PWD_ENTRY(guess)", "password.htm");
  EXPECT_EQ(platform_.messages.texts.size(), 5u);
  // Even the right password is refused while the wait lasts; once it is over
  // the password is taken, and a wrong one now waits longer.
  clock_.time += 10;
  send_from_web("VBCONTAINER:PROCESS_PWD_ENTRY(secret)", "password.htm");
  clock_.time += 5;
  send_from_web("VBCONTAINER:PROCESS_PWD_ENTRY(guess)", "password.htm");
  const std::string wait = "web script if (typeof KBPasswordWait === 'function') KBPasswordWait";
  EXPECT_EQ(journal_lines("web script if", mark),
            wait + "('15')|" + wait + "('5')|" + wait + "('30')");
  clock_.time += 30;
  send_from_web("VBCONTAINER:PROCESS_PWD_ENTRY(secret)", "password.htm");
  EXPECT_EQ(web().location, page("KBConfigmain.htm"));
}

}  // namespace
}  // namespace kb::testing
