#include <gtest/gtest.h>

#include "support/app_fixture.h"
#include "support/full_disk.h"

namespace kb::testing {
namespace {

using PageCommands = AppTest;

TEST_F(PageCommands, StartForUserRebuildsTheWindowAndGivesTheChildItsButtons) {
  start();
  const std::size_t mark = platform_.journal.size();
  send_from_web("VBCONTAINER:STARTFORUSER(Mary)");
  ASSERT_EQ(platform_.windows.size(), 2u);
  EXPECT_TRUE(platform_.window().shown);
  EXPECT_EQ(
      journal_lines("", mark),
      (std::vector<std::string>{"create main window", "web navigate " + page("UserStart.html"),
                                "controls navigate " + page("KBControls.html"), "pause 500",
                                "controls script LoadControls('1','1','1','1','1','1')"}));
  EXPECT_FALSE(app_->state().control_bar_title_mode);

  // The start page asks for its sites; the name travels as a safe literal.
  send_from_web("VBCONTAINER:STARTFORUSER(O'Brien)");
  send_from_web("VBCONTAINER:LOADSITES()", "UserStart.html");
  EXPECT_EQ(platform_.journal.back(), "web script Load_Sites('O\\'Brien')");
  // The page hears that its command has run.
  EXPECT_EQ(platform_.window().content.done_notices,
            std::vector<std::string>{
                "if (typeof kbCommandDone === 'function') kbCommandDone('LOADSITES')"});
  EXPECT_TRUE(platform_.messages.texts.empty());
}

TEST_F(PageCommands, LoadSitesIntoAPageWithoutTheFunctionIsReported) {
  start();
  send_from_web("VBCONTAINER:STARTFORUSER(Mary)");
  platform_.window().content.functions.erase("Load_Sites");
  send_from_web("VBCONTAINER:LOADSITES()", "UserStart.html");
  EXPECT_EQ(platform_.messages.texts,
            std::vector<std::string>{
                "Error in laod_user_sitesReferenceError: Can't find variable: Load_Sites"});
}

TEST_F(PageCommands, ExitConfigShowsTheChildsPagesWhileTheChildStillExists) {
  start();
  // No child chosen yet: the user-selection page in a new window.
  send_from_web("VBCONTAINER:EXIT_CONFIG()", "KBConfigmain.htm");
  EXPECT_EQ(platform_.windows.size(), 2u);
  EXPECT_EQ(platform_.window().content.location, page("SelectUser.htm"));
  EXPECT_TRUE(platform_.window().visible);

  send_from_web("VBCONTAINER:STARTFORUSER(Chris)");
  send_from_web("VBCONTAINER:EXIT_CONFIG()", "KBConfigmain.htm");
  EXPECT_EQ(platform_.window().content.location, page("UserStart.html"));
  EXPECT_EQ(app_->state().current_user, "Chris");

  // Once the parent removed the child, back to the user-selection page.
  send_from_web("VBCONTAINER:REMOVEUSER(3)", "KBConfigmain.htm");
  send_from_web("VBCONTAINER:EXIT_CONFIG()", "KBConfigmain.htm");
  EXPECT_EQ(platform_.window().content.location, page("SelectUser.htm"));
  EXPECT_EQ(journal_lines("splash visible").size(), 3u);
  EXPECT_EQ(platform_.journal.back(), "splash hidden");
}

TEST_F(PageCommands, SaveConfigFileWritesOnlyWellFormedXmlUnderAPlainName) {
  start();
  StandInBrowser& web = platform_.window().content;
  std::string held = "<KBConfig><Users/></KBConfig>";
  web.functions["document.getElementById"] = [&](const std::string& script) {
    if (script.find("'menuframe.vbData'") == std::string::npos) throw Error(1, "wrong element");
    return held;
  };
  const auto saved = [&](const std::string& name) {
    return std::filesystem::exists(folder_ / "Data" / name);
  };
  send_from_web("VBCONTAINER:SAVE_CONFIG_FILE(x,Saved.xml)", "KBConfigmain.htm");
  ASSERT_TRUE(saved("Saved.xml"));
  EXPECT_TRUE(platform_.messages.texts.empty());

  const std::string before = read_config();
  for (const char* name : {"../KBConfig.xml", "..", ".", "", "sub/x.xml"}) {
    send_from_web(std::string("VBCONTAINER:SAVE_CONFIG_FILE(x,") + name + ")", "KBConfigmain.htm");
  }
  EXPECT_EQ(platform_.messages.texts.size(), 5u);
  EXPECT_FALSE(std::filesystem::exists(folder_ / "KBConfig.xml"));

  held = "<KBConfig><Users></KBConfig>";
  send_from_web("VBCONTAINER:SAVE_CONFIG_FILE(x,KBConfig.xml)", "KBConfigmain.htm");
  EXPECT_EQ(read_config(), before);
  EXPECT_EQ(platform_.messages.texts.size(), 6u);
  EXPECT_NE(platform_.messages.texts.back().find("offset"), std::string::npos);
}

TEST_F(PageCommands, ACommandSentWhileAHandlerWaitsCannotChangeItsArguments) {
  start();
  StandInWindow& window = platform_.window();
  // While SAVE_CONFIG_FILE reads the page, the page sends another command at
  // once, whose second argument names a picture in Data/Images.
  window.content.functions["document.getElementById"] = [&](const std::string&) {
    window.events.web_BeforeNavigate2(
        page_navigation("VBCONTAINER:NOSUCH(x,Images/owl.svg)", page("KBConfigmain.htm")));
    return std::string("<KBConfig><Users/></KBConfig>");
  };
  std::filesystem::create_directories(folder_ / "Data" / "Images");
  std::ofstream(folder_ / "Data" / "Images" / "owl.svg") << "<svg/>";
  send_from_web("VBCONTAINER:SAVE_CONFIG_FILE(x,Saved.xml)", "KBConfigmain.htm");
  EXPECT_EQ(app_->state().cmd_args[2], "Images/owl.svg");
  EXPECT_TRUE(std::filesystem::exists(folder_ / "Data" / "Saved.xml"));
  std::ifstream picture(folder_ / "Data" / "Images" / "owl.svg");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(picture), {}), "<svg/>");
}

using ConfigFailures = AppTest;

TEST_F(ConfigFailures, EverySiteChangeThatFailsTellsTheParentOnce) {
  start();
  const std::string before = read_config();
  {
    const kbtest::FullDisk full;
    send_from_web("VBCONTAINER:CLEARSITEGLOBALS()", "KBConfigmain.htm");
    send_from_web("VBCONTAINER:UPDATESITE(Farm,farm.svg,farm.example)", "KBConfigmain.htm");
    send_from_web("VBCONTAINER:REMOVESITE(1)", "KBConfigmain.htm");
    send_from_web("VBCONTAINER:ASSIGNSITETOUSER(3,2)", "KBConfigmain.htm");
    send_from_web("VBCONTAINER:REMOVEUSERFROMSITE(2,2)", "KBConfigmain.htm");
  }
  EXPECT_EQ(read_config(), before);
  const std::vector<std::string>& shown = platform_.messages.texts;
  ASSERT_EQ(shown.size(), 4u);
  const char* starts[] = {"The web site was not saved: ", "The web site was not removed: ",
                          "The web site was not offered to the child: ",
                          "The web site was not taken away from the child: "};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(shown[i].rfind(starts[i], 0), 0u) << shown[i];
    EXPECT_NE(shown[i].find("File too large"), std::string::npos) << shown[i];
  }

  // Site numbers stop at 32767: the next site cannot be added.
  std::string config = before;
  config.replace(config.find("<ID>2</ID><AllowedUsers>"), 10, "<ID>32767</ID>");
  write_config(config);
  send_from_web("VBCONTAINER:UPDATESITE(Farm,farm.svg,farm.example)", "KBConfigmain.htm");
  EXPECT_EQ(shown.back(),
            "The web site was not saved: the numbers of users and sites stop at 32767.");
  EXPECT_EQ(read_config(), config);
}

}  // namespace
}  // namespace kb::testing
