#include <gtest/gtest.h>

#include "config/config_versions.h"
#include "config/password_hash.h"
#include "e2e_fixture.h"

namespace kb::testing {
namespace {

class Journeys : public E2ETest {
 protected:
  // Waits until the page has read a saved entry back: its row is shown and
  // the form field emptied for the next one.
  bool saved_and_cleared(const std::string& row, const std::string& field) {
    return has_element(row) && prop_becomes(field, "value", "");
  }
};

TEST_F(Journeys, TheFirstRunWizardSetsEverythingUp) {
  site_->add_page("/zoo.html", "<html><body>zoo</body></html>");
  start();  // the default configuration of a fresh installation
  ASSERT_TRUE(wait_for_web(page("SWelcome.html")));
  EXPECT_EQ(title(), "Kitebrook Configuration");
  click("start");

  ASSERT_TRUE(wait_for_web(page("Sresetpassword.htm")));
  ASSERT_TRUE(has_element("pwd-new"));
  fill("pwd-new", "kite 123");
  fill("pwd-repeat", "kite 123");
  click("pwd-save");
  ASSERT_TRUE(wait_for_web(page("SAddUserHelp.html")));
  EXPECT_EQ(read_config().find("kite 123"), std::string::npos);

  ASSERT_TRUE(has_element("user-name"));
  for (const std::string name : {"Ada", "Ben"}) {
    fill("user-name", name);
    click("user-pic-fox");
    click("user-save");
    ASSERT_TRUE(config_has("<Name>" + name + "</Name>"));
    ASSERT_TRUE(saved_and_cleared(name == "Ada" ? "user-edit-2" : "user-edit-3", "user-name"));
  }
  click("wizard-next");

  ASSERT_TRUE(wait_for_web(page("SAddSites.html")));
  ASSERT_TRUE(has_element("site-label"));
  fill("site-label", "Zoo");
  fill("site-address", site_->url("/zoo.html"));
  fill("site-also-allow", " Videos.Example  https://pictures.example/zoo ");
  click("site-pic-animals");
  click("site-save");
  // A new site is offered to everybody unless the parent says otherwise.
  ASSERT_TRUE(config_has("<AllowedUsers>\n        <User>\n          <ID>1</ID>"));
  ASSERT_TRUE(
      config_has("<AlsoAllow>\n        <Host>videos.example</Host>\n        "
                 "<Host>pictures.example</Host>"));
  ASSERT_TRUE(saved_and_cleared("site-edit-1", "site-label"));
  click("wizard-next");

  ASSERT_TRUE(wait_for_web(page("Seditsettings.htm")));
  ASSERT_TRUE(has_element("settings-save"));
  // Keeping children on their sites is offered, explained and on.
  ASSERT_TRUE(prop_becomes("settings-stay", "checked", "true"));
  EXPECT_NE(prop("settings-stay-hint", "textContent").find("only the sites"), std::string::npos);
  web_js("document.getElementById('settings-print').checked = true; 0");
  fill("settings-pages", "4");
  web_js("document.getElementById('settings-exit-pwd').checked = true; 0");
  click("settings-save");
  ASSERT_TRUE(wait_for_web(page("Sfinish.html")));
  const std::string config = read_config();
  EXPECT_NE(config.find("<StayOnSites>Yes</StayOnSites>"), std::string::npos);
  // The wizard's pass over the sites keeps their extra hosts.
  EXPECT_NE(config.find("<Host>videos.example</Host>"), std::string::npos);
  EXPECT_NE(config.find("<PrintAllowed>Yes</PrintAllowed>"), std::string::npos);
  EXPECT_NE(config.find("<PrintLimit>4</PrintLimit>"), std::string::npos);
  EXPECT_NE(config.find("<Image>" + folder_.string() + "/Data/Images/animals.svg</Image>"),
            std::string::npos);
  EXPECT_NE(config.find("<Target>" + site_->address("/zoo.html") + "</Target>"), std::string::npos);

  ASSERT_TRUE(has_element("finish"));
  click("finish");
  ASSERT_TRUE(wait_for_web(page("SelectUser.htm")));
  EXPECT_TRUE(
      run_until([&] { return web_js("document.querySelectorAll('.user-tile').length") == "2"; }));
  EXPECT_EQ(title(), "Select a User to Begin");
  choose_child("Ben");
  EXPECT_TRUE(start_page_shows("1"));
  EXPECT_TRUE(messages_.texts.empty());

  // The wizard's password applies in this same session: an empty entry is
  // wrong, the new password opens the parent's pages.
  press("btnParent");
  ASSERT_TRUE(wait_for_web(page("password.htm")));
  click("ok");
  ASSERT_TRUE(run_until([&] { return messages_.texts.size() == 1; }));
  EXPECT_EQ(messages_.texts[0], "The password entered is incorrect, try again!");
  ASSERT_TRUE(wait_for_web(page("password.htm")));
  fill("pwd", "kite 123");
  click("ok");
  ASSERT_TRUE(wait_for_web(page("KBConfigmain.htm")));
  // The pages read the configuration through the host, which leaves the
  // password out; they cannot read the file itself.
  const std::string seen = web_js(
      "(function () { var r = new XMLHttpRequest(); "
      "r.open('GET', 'kitebrook://config/KBConfig.xml', false); r.send(); "
      "return r.responseText; })()");
  EXPECT_NE(seen.find("<Pwd set=\"Yes\""), std::string::npos);
  EXPECT_EQ(seen.find("argon2"), std::string::npos);
  EXPECT_EQ(web_js("(function () { try { var r = new XMLHttpRequest(); "
                   "r.open('GET', 'KBConfig.xml', false); r.send(); return r.responseText; } "
                   "catch (e) { return 'refused'; } })()"),
            "refused");
}

TEST_F(Journeys, AParentChangesTheSetUpAndTheChildrenSeeExactlyTheirSites) {
  write_config(two_children_config());
  start();
  choose_child("Mary");
  ASSERT_TRUE(start_page_shows("1,2"));
  open_parents_pages("secret");

  // A new child, Lucy, who gets ID 4.
  ASSERT_TRUE(has_element("user-name"));
  fill("user-name", "Lucy");
  click("user-pic-owl");
  click("user-save");
  ASSERT_TRUE(config_has("<Name>Lucy</Name>"));
  ASSERT_TRUE(saved_and_cleared("user-edit-4", "user-name"));
  ASSERT_TRUE(has_element("site-offer-4"));

  // Books for Lucy alone, Games for everybody.
  fill("site-label", "Books");
  fill("site-address", site_->url("/books.html"));
  click("site-pic-books");
  web_js(
      "document.getElementById('site-offer-all').checked = false;"
      "document.getElementById('site-offer-4').checked = true; 0");
  click("site-save");
  ASSERT_TRUE(prop_becomes("site-4-user-4", "checked", "true"));
  fill("site-label", "Games");
  fill("site-address", "https://games.example/");
  click("site-pic-games");
  click("site-save");
  ASSERT_TRUE(prop_becomes("site-5-all", "checked", "true"));
  // Games needs a second host, added by changing the site.
  click("site-edit-5");
  EXPECT_EQ(prop("site-also-allow", "value"), "");
  fill("site-also-allow", "cdn.games.example");
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
  web_js("document.getElementById('settings-print').checked = true; 0");
  fill("settings-pages", "4");
  web_js("document.getElementById('settings-exit-pwd').checked = false; 0");
  // A file without the setting browses freely until the parent turns it on.
  EXPECT_EQ(prop("settings-stay", "checked"), "false");
  web_js("document.getElementById('settings-stay').checked = true; 0");
  click("settings-save");
  ASSERT_TRUE(config_has("<PwdExit>No</PwdExit>"));
  ASSERT_TRUE(config_has("<StayOnSites>Yes</StayOnSites>"));
  // The page has read the settings back before the next form is used.
  ASSERT_TRUE(run_until(
      [&] { return prop("settings-status", "textContent").find("Saved") != std::string::npos; }));
  fill("pwd-new", "tulip");
  fill("pwd-repeat", "tulip");
  click("pwd-save");
  // The page empties the form once it has read the new password back.
  ASSERT_TRUE(prop_becomes("pwd-new", "value", ""));
  EXPECT_EQ(
      KBConfigIO::check_password(KBConfigIO::stored_password(folders_.config_file()), "tulip"),
      KBConfigIO::PasswordCheck::Correct);

  click("exit-config");
  // Mary still exists, so her start page comes back, without Music now.
  ASSERT_TRUE(start_page_shows("1,5"));

  // The next start takes the new settings; Lucy sees exactly her sites.
  restart();
  start();
  EXPECT_EQ(app_->state().print_limit, 4);
  EXPECT_FALSE(app_->state().pwd_on_exit);
  choose_child("Lucy");
  EXPECT_TRUE(start_page_shows("1,4,5"));
  EXPECT_TRUE(messages_.texts.empty()) << messages_.texts.front();
}

TEST_F(Journeys, AParentPutsTheLastGoodSettingsBackFromTheRepairPage) {
  const std::string good = two_children_config();
  const auto config = folder_ / "Data" / "KBConfig.xml";
  KBConfigIO::keep_version(config, good);
  write_config("<KBConfig><Users>");
  start();
  ASSERT_TRUE(wait_for_web(page("RepairSettings.htm")));
  EXPECT_TRUE(run_until([&] { return title() == "Kitebrook Settings"; }));
  EXPECT_TRUE(messages_.texts.empty());

  ASSERT_TRUE(has_element("pwd"));
  fill("pwd", "not it");
  click("restore");
  ASSERT_TRUE(run_until([&] { return messages_.texts.size() == 1; }));
  EXPECT_EQ(read_config(), "<KBConfig><Users>");

  fill("pwd", "secret");
  click("restore");
  ASSERT_TRUE(run_until([&] { return messages_.texts.size() == 2; }));
  EXPECT_EQ(messages_.texts[1].rfind("Kitebrook's settings were put back", 0), 0u);
  EXPECT_EQ(read_config(), good);
  choose_child("Mary");
  EXPECT_TRUE(start_page_shows("1,2"));
}

}  // namespace
}  // namespace kb::testing
