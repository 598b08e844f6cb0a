#include <gtest/gtest.h>

#include "support/app_fixture.h"
#include "visits/local_days.h"

namespace kb::testing {
namespace {

// Which hosts match is the allow list's own test; here, that each child gets
// its own list, what a refusal shows, and the parent's approval. With the
// setting on, Mary (2) has Zoo (for everybody, with pictures from a second
// host) and Music; Chris (3) only Zoo.
class StayOnSites : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    std::string text = kTwoChildren;
    text.replace(text.find("</Settings>"), 0, "<StayOnSites>Yes</StayOnSites>");
    text.replace(text.find("</WebSite>"), 0,
                 "<AlsoAllow><Host>zoo-pictures.example</Host></AlsoAllow>");
    write_config(text);
    start();
  }
  // Each new main window shows pages without frames.
  void start_child(const std::string& name) {
    send_from_web("vbcontainer:STARTFORUSER(" + name + ")");
    web().functions[""] = [](const std::string&) { return std::string("no"); };
  }
  // A link the child follows on the page shown; answers whether it was cancelled.
  bool follow(const std::string& url) {
    return platform_.window().events.web_BeforeNavigate2(
        page_navigation(url, "http://zoo.example/", NavigationType::LinkClicked));
  }
  void ask_grown_up(const std::string& pwd) {
    send_from_web("vbcontainer:ASKGROWNUP()", "NotOnList.html");
    send_from_web("vbcontainer:PROCESS_PWD_ENTRY(" + pwd + ")", "password.htm");
  }
};

TEST_F(StayOnSites, AChildOpensOnlyItsOwnSitesAndTheirHosts) {
  start_child("Mary");
  for (const std::string& allowed :
       {std::string("https://baby.zoo.example/"), std::string("https://zoo-pictures.example/1.jpg"),
        std::string("http://www.music.example/other"), page("UserStart.html")})
    EXPECT_FALSE(follow(allowed)) << allowed;
  EXPECT_TRUE(follow("http://musicbox.example/"));
  EXPECT_EQ(web().location, page("NotOnList.html"));
  EXPECT_EQ(app_->state().refused_url, "http://musicbox.example/");
  start_child("Chris");
  EXPECT_FALSE(follow("http://zoo.example/"));
  EXPECT_TRUE(follow("http://music.example/songs"));

  SCOPED_TRACE("a new window of another host shows the friendly page, one of the child's goes on");
  start_child("Mary");
  StandInBrowser& hidden = platform_.window().hidden;
  hidden.location = "http://popup.example/";
  EXPECT_TRUE(platform_.window().events.wbbrwnewhidden_BeforeNavigate2(
      page_navigation("http://popup.example/", "")));
  EXPECT_EQ(web().location, page("NotOnList.html"));
  hidden.location = "http://zoo.example/new";
  EXPECT_FALSE(platform_.window().events.wbbrwnewhidden_BeforeNavigate2(
      page_navigation("http://zoo.example/new", "")));
  EXPECT_EQ(web().location, "http://zoo.example/new");
  // With the setting off every address loads.
  write_config(kTwoChildren);
  start_child("Mary");
  EXPECT_FALSE(follow("http://anywhere.example/"));
}

// Once and Always are followed on the real engine (StayOnSitesE2E).
TEST_F(StayOnSites, TheParentApprovesAfterThePasswordOnTheApprovalPageOnly) {
  start_child("Mary");
  EXPECT_TRUE(follow("http://museum.example/art"));
  // Without the password, or with a wrong one, the command only goes back.
  send_from_web("vbcontainer:APPROVEREFUSED(ALWAYS)", "Approve.html");
  EXPECT_TRUE(follow("http://museum.example/art"));
  ask_grown_up("wrong");
  send_from_web("vbcontainer:APPROVEREFUSED(TODAY)", "Approve.html");
  EXPECT_TRUE(follow("http://museum.example/art"));
  EXPECT_EQ(read_config().find("museum"), std::string::npos);
  // Leaving the approval page, a step back to it included, closes it.
  send_from_web("vbcontainer:ASKGROWNUP()", "NotOnList.html");
  EXPECT_EQ(web().location, page("password.htm"));
  send_from_web("vbcontainer:PROCESS_PWD_ENTRY(secret)", "password.htm");
  EXPECT_EQ(web().location, page("Approve.html"));
  NavigationRequest back = page_navigation(page("Approve.html"), "", NavigationType::BackForward);
  back.committed_document = page("UserStart.html");
  EXPECT_FALSE(platform_.window().events.web_BeforeNavigate2(back));
  send_from_web("vbcontainer:APPROVEREFUSED(TODAY)", "Approve.html");
  EXPECT_TRUE(follow("http://museum.example/art"));

  ask_grown_up("secret");
  back.by_program = true;
  back.type = NavigationType::Other;
  EXPECT_FALSE(platform_.window().events.web_BeforeNavigate2(back));
  send_from_web("vbcontainer:APPROVEREFUSED(Today)", "Approve.html");
  EXPECT_EQ(web().location, "http://museum.example/art");
  EXPECT_FALSE(follow("http://museum.example/art"));
  // Until midnight only.
  clock_.time = visits::next_local_midnight(clock_.time);
  EXPECT_TRUE(follow("http://museum.example/art"));
  clock_.time -= 1;
  EXPECT_FALSE(follow("http://museum.example/art"));

  SCOPED_TRACE("No goes back to the page before the refusal and allows nothing");
  start_child("Mary");
  web().location = "http://zoo.example/";
  app_->state().current_url = "http://zoo.example/";
  EXPECT_TRUE(follow("http://no.example/"));
  ask_grown_up("secret");
  send_from_web("vbcontainer:APPROVEREFUSED(NO)", "Approve.html");
  EXPECT_EQ(web().location, "http://zoo.example/");
  EXPECT_TRUE(follow("http://no.example/"));
}

TEST_F(StayOnSites, ParentsCommandsStoreNormalisedHosts) {
  send_from_web("vbcontainer:SETALSOALLOW(2,Videos.Example. https://pics.example/x)",
                "KBConfigmain.htm");
  send_from_web("vbcontainer:SETALSOALLOW(2,ok.example bad<host)", "KBConfigmain.htm");
  EXPECT_EQ(platform_.messages.texts.size(), 1u);
  EXPECT_NE(read_config().find("<Host>videos.example</Host>"), std::string::npos);
  send_from_web("vbcontainer:ALWAYSALLOW(3,HTTP://Games.Example/play)", "KBConfigmain.htm");
  send_from_web("vbcontainer:UPDATESTAYONSITES(0)", "KBConfigmain.htm");
  EXPECT_NE(read_config().find("<StayOnSites>No</StayOnSites>"), std::string::npos);
  send_from_web("vbcontainer:UPDATESTAYONSITES(1)", "KBConfigmain.htm");

  start_child("Chris");
  EXPECT_FALSE(follow("http://games.example/"));
  EXPECT_TRUE(follow("http://www.music.example/"));
}

}  // namespace
}  // namespace kb::testing
