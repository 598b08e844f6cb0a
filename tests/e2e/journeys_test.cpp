#include <csignal>

#include "config/config_versions.h"
#include "config/password_hash.h"
#include "e2e_fixture.h"

namespace kb::testing {
namespace {

using Journeys = E2ETest;

TEST_F(Journeys, AChildBrowsesItsSitesAndLeavesOnlyWithThePassword) {
  site_.add_page("/second.html", "second");
  visit_zoo("<a id='next' href='/second.html'>next</a><a id='file' href='/file.bin'>file</a>");
  EXPECT_EQ(app_->main_window().view().caption(), "Mary'sKitebrook--" + site_.url("/zoo.html"));
  // A right click brings no context menu in either view.
  for (WebKitWebView* view : {gtk_window().web_view(), gtk_window().controls_view()}) {
    g_autoptr(WebKitContextMenu) menu = webkit_context_menu_new();
    g_autoptr(WebKitHitTestResult) hit =
        WEBKIT_HIT_TEST_RESULT(g_object_new(WEBKIT_TYPE_HIT_TEST_RESULT, nullptr));
    gboolean handled = FALSE;
    g_signal_emit_by_name(view, "context-menu", menu, hit, &handled);
    EXPECT_TRUE(handled);
  }

  // A file the engine cannot show is not saved; the page stays.
  click("file");
  run_until([&] { return site_.requests("/file.bin") > 0; });
  settle(milliseconds(500));
  EXPECT_EQ(web_location(), site_.url("/zoo.html"));

  click("next");
  ASSERT_TRUE(wait_for_web(site_.url("/second.html")));
  press("btnBack");
  ASSERT_TRUE(wait_for_web(site_.url("/zoo.html")));
  press("btnForward");
  ASSERT_TRUE(wait_for_web(site_.url("/second.html")));

  // Exit and closing the window ask for the password; Cancel gives the site back.
  press("btnExit");
  ASSERT_TRUE(run_until([&] { return title() == "Password Required"; }));
  enter_password("Secret");
  ASSERT_TRUE(messages_reach(1));
  EXPECT_EQ(messages_.texts[0], "The password entered is incorrect, try again!");
  ASSERT_TRUE(on_page("password.htm", "cancel"));
  click("cancel");
  ASSERT_TRUE(wait_for_web(site_.url("/second.html")));
  EXPECT_TRUE(run_until([&] { return button_shown("btnHome"); }));
  gtk_window_close(gtk_window().window());
  ASSERT_TRUE(wait_for_web(page("password.htm")));
  EXPECT_FALSE(ended_);
  enter_password("secret");
  EXPECT_TRUE(run_until([&] { return ended_; }));
}

TEST_F(Journeys, TheFirstRunWizardSetsEverythingUp) {
  site_.add_page("/zoo.html", "zoo");
  start();  // the default configuration of a fresh installation
  ASSERT_TRUE(wait_for_web(page("SWelcome.html")));
  EXPECT_EQ(title(), "Kitebrook Configuration");
  click("start");
  ASSERT_TRUE(on_page("Sresetpassword.htm", "pwd-new"));
  fill({{"pwd-new", "kite 123"}, {"pwd-repeat", "kite 123"}});
  click("pwd-save");
  ASSERT_TRUE(on_page("SAddUserHelp.html", "user-name"));
  EXPECT_EQ(read_config().find("kite 123"), std::string::npos);
  for (const std::string name : {"Ada", "Ben"}) {
    fill({{"user-name", name}});
    click("user-pic-fox");
    click("user-save");
    ASSERT_TRUE(saved_and_cleared(name == "Ada" ? "user-edit-2" : "user-edit-3", "user-name"));
  }
  click("wizard-next");
  ASSERT_TRUE(on_page("SAddSites.html", "site-label"));
  fill({{"site-label", "Zoo"},
        {"site-address", site_.url("/zoo.html")},
        {"site-also-allow", " Videos.Example  https://pictures.example/zoo "}});
  click("site-pic-animals");
  click("site-save");
  ASSERT_TRUE(saved_and_cleared("site-edit-1", "site-label"));
  click("wizard-next");
  ASSERT_TRUE(on_page("Seditsettings.htm", "settings-save"));
  // Keeping children on their sites is offered, explained and on.
  ASSERT_TRUE(prop_becomes("settings-stay", "checked", "true"));
  EXPECT_NE(prop("settings-stay-hint", "textContent").find("only the sites"), std::string::npos);
  fill({{"settings-print", "on"}, {"settings-pages", "4"}, {"settings-exit-pwd", "on"}});
  click("settings-save");
  ASSERT_TRUE(wait_for_web(page("Sfinish.html")));
  // A new site is offered to everybody; the pass over the sites keeps their hosts.
  const std::string config = read_config();
  for (const std::string& saved : std::vector<std::string>{
           "<Name>Ada</Name>", "<StayOnSites>Yes</StayOnSites>", "<PrintAllowed>Yes</PrintAllowed>",
           "<PrintLimit>4</PrintLimit>", "<AllowedUsers>\n        <User>\n          <ID>1</ID>",
           "<AlsoAllow>\n        <Host>videos.example</Host>\n        "
           "<Host>pictures.example</Host>",
           "<Image>" + folder_.string() + "/Data/Images/animals.svg</Image>",
           "<Target>" + site_.address("/zoo.html") + "</Target>"})
    EXPECT_NE(config.find(saved), std::string::npos) << saved;

  ASSERT_TRUE(has_element("finish"));
  click("finish");
  ASSERT_TRUE(wait_for_web(page("SelectUser.htm")));
  EXPECT_TRUE(web_becomes("document.querySelectorAll('.user-tile').length", "2"));
  EXPECT_EQ(title(), "Select a User to Begin");
  choose_child("Ben");
  EXPECT_TRUE(start_page_shows("1"));
  EXPECT_TRUE(messages_.texts.empty());

  // The wizard's password applies at once; an empty entry is wrong.
  press("btnParent");
  ASSERT_TRUE(wait_for_web(page("password.htm")));
  click("ok");
  ASSERT_TRUE(messages_reach(1));
  enter_password("kite 123");
  ASSERT_TRUE(wait_for_web(page("KBConfigmain.htm")));
  // The pages read the configuration without the password, never the file.
  const std::string seen = page_reads("kitebrook://config/KBConfig.xml");
  EXPECT_NE(seen.find("<Pwd set=\"Yes\""), std::string::npos);
  EXPECT_EQ(seen.find("argon2"), std::string::npos);
  EXPECT_EQ(page_reads("KBConfig.xml"), "refused");
}

TEST_F(Journeys, AParentChangesTheSetUpAndTheChildrenSeeExactlyTheirSites) {
  visit_zoo("zoo");
  open_parents_pages("secret");
  // A new child, Lucy (ID 4); Books for her alone, Games for everybody.
  ASSERT_TRUE(has_element("user-name"));
  fill({{"user-name", "Lucy"}});
  click("user-pic-owl");
  click("user-save");
  ASSERT_TRUE(saved_and_cleared("user-edit-4", "user-name"));
  ASSERT_TRUE(has_element("site-offer-4"));
  fill({{"site-label", "Books"},
        {"site-address", site_.url("/books.html")},
        {"site-offer-all", "off"},
        {"site-offer-4", "on"}});
  click("site-pic-books");
  click("site-save");
  ASSERT_TRUE(prop_becomes("site-4-user-4", "checked", "true"));
  fill({{"site-label", "Games"}, {"site-address", "https://games.example/"}});
  click("site-pic-games");
  click("site-save");
  ASSERT_TRUE(prop_becomes("site-5-all", "checked", "true"));
  // Games needs a second host, added by changing the site.
  click("site-edit-5");
  EXPECT_EQ(prop("site-also-allow", "value"), "");
  fill({{"site-also-allow", "cdn.games.example"}});
  click("site-save");
  ASSERT_TRUE(config_has("<Host>cdn.games.example</Host>"));
  ASSERT_TRUE(saved_and_cleared("site-edit-5", "site-label"));
  click("site-edit-5");
  EXPECT_EQ(prop("site-also-allow", "value"), "cdn.games.example");
  click("site-cancel");
  // Music is withdrawn from Mary.
  ASSERT_TRUE(has_element("site-2-user-2"));
  click("site-2-user-2");
  ASSERT_TRUE(prop_becomes("site-2-user-2", "checked", "false"));

  // Printing on with four pages a day, leaving without the password, a new password.
  // A file without the setting browses freely until the parent turns it on.
  EXPECT_EQ(prop("settings-stay", "checked"), "false");
  fill({{"settings-print", "on"},
        {"settings-pages", "4"},
        {"settings-exit-pwd", "off"},
        {"settings-stay", "on"}});
  click("settings-save");
  ASSERT_TRUE(config_has("<StayOnSites>Yes</StayOnSites>"));
  // The page has read the settings back before the next form is used.
  ASSERT_TRUE(run_until(
      [&] { return prop("settings-status", "textContent").find("Saved") != std::string::npos; }));
  fill({{"pwd-new", "tulip"}, {"pwd-repeat", "tulip"}});
  click("pwd-save");
  ASSERT_TRUE(prop_becomes("pwd-new", "value", ""));  // once it has read the password back
  EXPECT_EQ(
      KBConfigIO::check_password(KBConfigIO::stored_password(folders_.config_file()), "tulip"),
      KBConfigIO::PasswordCheck::Correct);
  click("exit-config");
  // Mary still exists, so her start page comes back, without Music now.
  ASSERT_TRUE(start_page_shows("1,5"));

  // The next start takes the new settings; closing leaves at once now.
  restart();
  start();
  EXPECT_EQ(app_->state().print_limit, 4);
  choose_child("Lucy");
  EXPECT_TRUE(start_page_shows("1,4,5"));
  EXPECT_TRUE(messages_.texts.empty()) << messages_.texts.front();
  gtk_window_close(gtk_window().window());
  EXPECT_TRUE(run_until([&] { return ended_; }));
}

TEST_F(Journeys, AParentPutsTheLastGoodSettingsBackFromTheRepairPage) {
  std::string good = two_children_config();
  // Nothing for everybody: Mary keeps Music, Chris keeps Space, Sam has none.
  good.replace(good.find("<AllowedUsers><User><ID>1</ID></User></AllowedUsers>"), 52,
               "<AllowedUsers></AllowedUsers>");
  good.replace(good.find("</Users>"), 8,
               "<User><Name>Sam</Name><Image>fox.svg</Image><ID>4</ID></User></Users>");
  KBConfigIO::keep_version(folders_.config_file(), good);
  write_config("<KBConfig><Users>");
  start();
  ASSERT_TRUE(on_page("RepairSettings.htm", "pwd"));
  EXPECT_TRUE(run_until([&] { return title() == "Kitebrook Settings"; }));
  fill({{"pwd", "not it"}});
  click("restore");
  ASSERT_TRUE(messages_reach(1));
  fill({{"pwd", "secret"}});
  click("restore");
  ASSERT_TRUE(messages_reach(2));
  EXPECT_EQ(messages_.texts[1].rfind("Kitebrook's settings were put back", 0), 0u);
  EXPECT_EQ(read_config(), good);
  choose_child("Sam");
  ASSERT_TRUE(wait_for_web(page("UserStart.html")));
  EXPECT_TRUE(
      web_becomes("(function (e) { return e !== null && !e.hidden && e.offsetHeight > 0; })"
                  "(document.getElementById('no-sites'))",
                  "true"));
  EXPECT_EQ(web_js("document.querySelectorAll('.site-tile').length"), "0");

  press("btnParent");
  for (std::size_t i = 3; i <= 7; ++i) {
    enter_password("guess");
    ASSERT_TRUE(messages_reach(i));
  }
  ASSERT_TRUE(wait_for_web(page("password.htm")));
  EXPECT_TRUE(run_until([&] {
    return prop("pwd-error", "textContent").find("Too many tries") != std::string::npos;
  }));
  // The right password waits too, and no more messages come.
  fill({{"pwd", "secret"}});
  click("ok");
  settle(milliseconds(800));
  EXPECT_EQ(web_location(), page("password.htm"));
  EXPECT_EQ(messages_.texts.size(), 7u);
  // The end of the desktop session leaves without the password.
  std::raise(SIGTERM);
  EXPECT_TRUE(run_until([&] { return ended_; }));
}

}  // namespace
}  // namespace kb::testing
