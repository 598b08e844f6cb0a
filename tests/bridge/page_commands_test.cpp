#include <gtest/gtest.h>

#include <regex>

#include "bridge/command_parser.h"
#include "bridge/script_call.h"
#include "support/app_fixture.h"
#include "support/full_disk.h"

namespace kb::testing {
namespace {

using namespace KBVBHTMLInterfaces;

std::string parse(const std::string& url, CommandArgs& args) {
  std::int16_t count = 0;
  const auto name = split_command_text(url, args, count);
  if (!name) return "refused";
  std::string text = *name + " " + std::to_string(count) + " " + args[1];
  for (int i = 2; i <= count; ++i) text += "|" + args[i];
  return text;
}

TEST(CommandText, CutAsWrittenDecodedOnlyWhereTheEngineEscapedAndAnsweredInSafeLiterals) {
  // Positions past sixteen bits fail; a long last argument has no comma position to check.
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
  CommandArgs args{};
  for (const auto& [url, expected] : rows) EXPECT_EQ(parse(url, args), expected);
  args[3] = "old3";  // a refused command leaves the slots past the failure alone
  EXPECT_EQ(parse("VBCONTAINER:X(a,", args) + " " + args[1] + args[3], "refused aold3");
  std::string url = "VBCONTAINER:X(1";
  for (int i = 2; i <= 25; ++i) url += "," + std::to_string(i);
  EXPECT_EQ(parse(url + ")", args),
            "X 25 " + std::regex_replace(url.substr(14), std::regex(","), "|"));
  EXPECT_EQ(parse(url + ",26)", args), "refused");

  EXPECT_TRUE(is_command_url("vbcontainer:x()") && is_command_url("VbContainer:"));
  EXPECT_FALSE(is_command_url("vbcontainer") || is_command_url("http://vbcontainer:x()"));
  // Broken, overlong, surrogate and past-U+10FFFF escapes stay; the nearest valid ones decode.
  for (const char* kept : {"x(a%20b%2C%41)", "x(%C3)", "x(%C3%41)", "x(%FF%BF)", "%E2%9C",
                           "%E0%9F%BF%ED%A0%80%F0%8F%BF%BF%F4%90%80%80"})
    EXPECT_EQ(decode_non_ascii_escapes(kept), kept);
  EXPECT_EQ(
      decode_non_ascii_escapes("x(Zo%C3%AB)%E2%9C%93%E0%A0%80%ED%9F%BF%F0%90%80%80%F4%8F%BF%BF"),
      "x(Zo\xC3\xAB)\xE2\x9C\x93\xE0\xA0\x80\xED\x9F\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF");
  EXPECT_EQ(replace_percent20("a%20b%2020%"), "a b 20%");

  EXPECT_EQ(js_call("F", {"a", ""}), "F('a','')");
  const std::pair<std::string, const char*> literals[] = {
      {"O'Brien back\\slash", "'O\\'Brien back\\\\slash'"},
      {"two\nlines\r", "'two\\nlines\\r'"},
      {"</script>", "'\\x3C/script>'"},
      {std::string("nul\0tab\t", 8), "'nul\\x00tab\\x09'"},
      {"\xE2\x80\xA8", "'\\u2028'"},
      {"Zo\xC3\xAB \"quoted\"", "'Zo\xC3\xAB \"quoted\"'"}};
  for (const auto& [text, literal] : literals) EXPECT_EQ(js_string_literal(text), literal);
}

using PageCommands = AppTest;

TEST_F(PageCommands, LoadSitesIntoAPageWithoutTheFunctionIsReported) {
  start();
  send_from_web("VBCONTAINER:STARTFORUSER(O'Brien)");
  send_from_web("VBCONTAINER:LOADSITES()", "UserStart.html");
  EXPECT_EQ(platform_.journal.back(), "web script Load_Sites('O\\'Brien')");
  EXPECT_EQ(web().done_notices.at(0),
            "if (typeof kbCommandDone === 'function') kbCommandDone('LOADSITES')");
  web().functions.erase("Load_Sites");
  send_from_web("VBCONTAINER:LOADSITES()", "UserStart.html");
  EXPECT_EQ(messages(), "Error in laod_user_sitesReferenceError: Can't find variable: Load_Sites");
}

TEST_F(PageCommands, TheParentsChangesAreSavedWhole) {
  start();
  const auto parent = [&](const std::string& command) {
    send_from_web("VBCONTAINER:" + command, "KBConfigmain.htm");
  };
  std::string held = "<KBConfig><Users/></KBConfig>", meanwhile;
  web().functions["document.getElementById"] = [&](const std::string& script) {
    if (script.find("'menuframe.vbData'") == std::string::npos) throw Error(1, "wrong element");
    if (!meanwhile.empty()) parent(std::exchange(meanwhile, ""));
    return held;
  };
  parent("SAVE_CONFIG_FILE(x,Saved.xml)");
  ASSERT_TRUE(std::filesystem::exists(folder_ / "Data" / "Saved.xml"));
  const std::string before = read_config();
  for (const char* name : {"../KBConfig.xml", "..", ".", "", "sub/x.xml"})
    parent(std::string("SAVE_CONFIG_FILE(x,") + name + ")");
  EXPECT_FALSE(std::filesystem::exists(folder_ / "KBConfig.xml"));
  // A command the page sends while SAVE_CONFIG_FILE reads it cannot change the file name.
  meanwhile = "NOSUCH(x,Images/owl.svg)";
  kbtest::write_file(folder_ / "Data" / "Images" / "owl.svg", "<svg/>");
  parent("SAVE_CONFIG_FILE(x,Saved2.xml)");
  EXPECT_EQ(kbtest::read_file(folder_ / "Data" / "Images" / "owl.svg"), "<svg/>");
  held = "<KBConfig><Users></KBConfig>";
  parent("SAVE_CONFIG_FILE(x,KBConfig.xml)");
  EXPECT_EQ(read_config(), before);
  EXPECT_NE(platform_.messages.texts.at(5).find("offset"), std::string::npos);

  platform_.messages.texts.clear();
  std::string config = before;  // site numbers stop at 32767: the next site cannot be added
  write_config(config.replace(config.find("<ID>1</ID><AllowedUsers>"), 10, "<ID>32767</ID>"));
  {
    const kbtest::FullDisk full;
    for (const char* command :
         {"CLEARSITEGLOBALS()", "UPDATESITE(Farm,farm.svg,farm.example)", "REMOVESITE(32767)",
          "ASSIGNSITETOUSER(3,2)", "REMOVEUSERFROMSITE(2,2)"})
      parent(command);
  }
  EXPECT_EQ(
      std::regex_replace(messages(), std::regex("The web site was not |Cannot write [^|]*: "), ""),
      "saved: the numbers of users and sites stop at 32767.|removed: File too large.|offered to "
      "the child: File too large.|taken away from the child: File too large.");
}

TEST_F(PageCommands, AChildsSessionReachesTheParentsPagesOnlyWithTheExactPassword) {
  std::string config = kTwoChildren;
  write_config(config.replace(config.find("<PrintAllowed>Yes"), 17, "<PrintAllowed>No"));
  start();
  send_from_web("VBCONTAINER:STARTFORUSER(Chris)");
  send_from_web("VBCONTAINER:REMOVEUSER(3)", "KBConfigmain.htm");
  const std::size_t mark = platform_.journal.size();
  send_from_web("VBCONTAINER:EXIT_CONFIG()", "KBConfigmain.htm");
  EXPECT_EQ(start_state(), "started visible shown maximized splash hidden");
  send_from_web("VBCONTAINER:STARTFORUSER(Mary)");
  EXPECT_TRUE(platform_.window().shown);
  EXPECT_FALSE(app_->state().control_bar_title_mode);
  // Printing off, a step the history cannot make and a password nobody asked for do nothing.
  send_from_controls("VBCONTAINER:GO_PRINT()");
  send_from_controls("VBCONTAINER:GO_BACK()");
  platform_.window().events.web_CommandStateChange(NavigationCommand::Back, true);
  web().has_history = false;
  send_from_controls("VBCONTAINER:GO_BACK()");
  web().has_history = true;
  send_from_web("VBCONTAINER:PROCESS_PWD_ENTRY(secret)", "password.htm");
  // Cancel steps back and leaves title mode on, so going home sets the buttons up once more.
  send_from_controls("VBCONTAINER:GO_PARENT()");
  send_from_web("VBCONTAINER:PWDCANCEL()", "password.htm");
  send_from_controls("VBCONTAINER:GO_HOME()");
  send_from_controls("VBCONTAINER:GO_PARENT()");
  send_from_web("VBCONTAINER:PROCESS_PWD_ENTRY(secret)", "password.htm");
  const std::string buttons =
      "controls navigate KBControls.html|pause 500|controls script "
      "LoadControls('1','1','1','1','1','1')";
  const std::string password =
      "web navigate password.htm|controls navigate KBControls.html|controls script "
      "WriteMsg('Password Required')|";
  EXPECT_EQ(std::regex_replace(journal_lines("", mark), std::regex(page("")), ""),
            "splash load|splash visible|create main window|web navigate SelectUser.htm|controls "
            "navigate KBControls.html|controls script WriteMsg('Select a User to Begin')|splash "
            "hidden|create main window|web navigate UserStart.html|" +
                buttons + "|message Mommy says no more printing!|" + password + buttons +
                "|web back|web navigate UserStart.html|" + buttons + "|" + password +
                "web navigate KBConfigmain.htm|controls navigate KBControls.html|controls script "
                "WriteMsg('Kitebrook Configuration')");
  EXPECT_EQ(read_config().find("secret"), std::string::npos);  // hashed at the correct entry
  EXPECT_TRUE(stored_password_is("secret"));

  send_from_controls("VBCONTAINER:GO_PARENT()");
  web().functions["if "] = [](const std::string&) { return std::string(); };
  const std::size_t waits = platform_.journal.size();
  for (int i = 0; i < 5; ++i) send_from_web("VBCONTAINER:PROCESS_PWD_ENTRY(guess)", "password.htm");
  EXPECT_EQ(platform_.messages.texts.size(), 6u);
  // The right password waits too; after the wait it is taken, and a wrong one waits longer.
  clock_.time += 10;
  send_from_web("VBCONTAINER:PROCESS_PWD_ENTRY(secret)", "password.htm");
  clock_.time += 5;
  send_from_web("VBCONTAINER:PROCESS_PWD_ENTRY(guess)", "password.htm");
  const std::string wait = "web script if (typeof KBPasswordWait === 'function') KBPasswordWait";
  EXPECT_EQ(journal_lines("web script if", waits),
            wait + "('15')|" + wait + "('5')|" + wait + "('30')");
  clock_.time += 30;
  send_from_web("VBCONTAINER:PROCESS_PWD_ENTRY(secret)", "password.htm");
  EXPECT_EQ(web().location, page("KBConfigmain.htm"));
}

}  // namespace
}  // namespace kb::testing
