#include <gtest/gtest.h>

#include "support/app_fixture.h"
#include "visits/local_days.h"

namespace kb::testing {
namespace {

// Mary (2) has Zoo (for everybody) and Music; Chris (3) only Zoo. Zoo needs
// pictures from a second host.
const char* const kStayOnSites = R"(<KBConfig>
  <Settings>
    <Pwd>secret</Pwd>
    <PrintAllowed>No</PrintAllowed>
    <PrintLimit>0</PrintLimit>
    <PwdExit>Yes</PwdExit>
    <StayOnSites>Yes</StayOnSites>
  </Settings>
  <Users>
    <User><Name>AllUsers</Name><Image></Image><ID>1</ID></User>
    <User><Name>Mary</Name><Image>cat.svg</Image><ID>2</ID></User>
    <User><Name>Chris</Name><Image>dog.svg</Image><ID>3</ID></User>
  </Users>
  <WebSites>
    <WebSite><Label>Zoo</Label><Image>animals.svg</Image><Target>zoo.example</Target><ID>1</ID><AllowedUsers><User><ID>1</ID></User></AllowedUsers><AlsoAllow><Host>zoo-pictures.example</Host></AlsoAllow></WebSite>
    <WebSite><Label>Music</Label><Image>music.svg</Image><Target>http://www.music.example/songs</Target><ID>2</ID><AllowedUsers><User><ID>2</ID></User></AllowedUsers></WebSite>
  </WebSites>
</KBConfig>
)";

class StayOnSites : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    write_config(kStayOnSites);
    start();
  }
  // Each new main window shows pages without frames.
  void start_child(const std::string& name) {
    send_from_web("vbcontainer:STARTFORUSER(" + name + ")");
    content().functions[""] = [](const std::string&) { return std::string("no"); };
  }
  // A link the child follows on the page shown; answers whether it was cancelled.
  bool follow(const std::string& url) {
    return platform_.window().events.web_BeforeNavigate2(
        page_navigation(url, "http://zoo.example/", NavigationType::LinkClicked));
  }
  StandInBrowser& content() { return platform_.window().content; }
};

TEST_F(StayOnSites, AChildOpensOnlyItsOwnSitesAndTheirHosts) {
  start_child("Mary");
  EXPECT_FALSE(follow("http://zoo.example/lions"));
  EXPECT_FALSE(follow("https://baby.zoo.example/"));
  EXPECT_FALSE(follow("https://zoo-pictures.example/1.jpg"));
  EXPECT_FALSE(follow("http://www.music.example/other"));
  EXPECT_FALSE(follow(page("UserStart.html")));
  for (const char* refused : {"http://music.example/", "http://badzoo.example/",
                              "file:///etc/passwd", "data:text/html,hi", "ftp://zoo.example/"}) {
    EXPECT_TRUE(follow(refused)) << refused;
    EXPECT_EQ(content().location, page("NotOnList.html")) << refused;
    EXPECT_EQ(app_->state().refused_url, refused);
    content().location = "http://zoo.example/";
  }
  start_child("Chris");
  EXPECT_FALSE(follow("http://zoo.example/"));
  EXPECT_TRUE(follow("http://www.music.example/songs"));
}

TEST_F(StayOnSites, RefusedFramesStayEmptyAndNewWindowsShowTheFriendlyPage) {
  start_child("Mary");
  content().location = "http://zoo.example/";
  content().functions[""] = [](const std::string& script) {
    return script.find("http://ads.example/") != std::string::npos ? "yes" : "no";
  };
  NavigationRequest frame = page_navigation("http://ads.example/", "http://zoo.example/");
  EXPECT_TRUE(platform_.window().events.web_BeforeNavigate2(frame));
  EXPECT_EQ(content().location, "http://zoo.example/");
  // The top document told to go elsewhere by a script gets the friendly page.
  EXPECT_TRUE(platform_.window().events.web_BeforeNavigate2(
      page_navigation("http://elsewhere.example/", "http://zoo.example/")));
  EXPECT_EQ(content().location, page("NotOnList.html"));

  StandInBrowser& hidden = platform_.window().hidden;
  hidden.location = "http://popup.example/";
  content().location = "http://zoo.example/";
  EXPECT_TRUE(platform_.window().events.wbbrwnewhidden_BeforeNavigate2(
      navigation_not_from_page("http://popup.example/", "", NavigationType::Other, false)));
  EXPECT_EQ(content().location, page("NotOnList.html"));
  hidden.location = "http://zoo.example/new";
  EXPECT_FALSE(platform_.window().events.wbbrwnewhidden_BeforeNavigate2(
      navigation_not_from_page("http://zoo.example/new", "", NavigationType::Other, false)));
  EXPECT_EQ(content().location, "http://zoo.example/new");
}

TEST_F(StayOnSites, WithTheSettingOffEveryAddressLoadsAsBefore) {
  write_config(kTwoChildren);
  start_child("Mary");
  EXPECT_FALSE(follow("http://anywhere.example/"));
  EXPECT_NE(content().location, page("NotOnList.html"));
}

TEST_F(StayOnSites, TheParentApprovesAfterThePasswordForThisChildOnly) {
  start_child("Mary");
  EXPECT_TRUE(follow("http://museum.example/art"));
  // Without the password the approval page's command does nothing but go back.
  send_from_web("vbcontainer:APPROVEREFUSED(ALWAYS)", "Approve.html");
  EXPECT_TRUE(follow("http://museum.example/art"));
  EXPECT_EQ(read_config().find("museum"), std::string::npos);

  send_from_web("vbcontainer:ASKGROWNUP()", "NotOnList.html");
  EXPECT_EQ(content().location, page("password.htm"));
  send_from_web("vbcontainer:PROCESS_PWD_ENTRY(wrong)", "password.htm");
  send_from_web("vbcontainer:APPROVEREFUSED(TODAY)", "Approve.html");
  EXPECT_TRUE(follow("http://museum.example/art"));
  send_from_web("vbcontainer:ASKGROWNUP()", "NotOnList.html");
  send_from_web("vbcontainer:PROCESS_PWD_ENTRY(secret)", "password.htm");
  EXPECT_EQ(content().location, page("Approve.html"));
  // Leaving the approval page, a step back to it included, closes it.
  NavigationRequest back = navigation_not_from_page(page("Approve.html"), page("UserStart.html"),
                                                    NavigationType::BackForward, false);
  EXPECT_FALSE(platform_.window().events.web_BeforeNavigate2(back));
  send_from_web("vbcontainer:APPROVEREFUSED(TODAY)", "Approve.html");
  EXPECT_TRUE(follow("http://museum.example/art"));
  send_from_web("vbcontainer:ASKGROWNUP()", "NotOnList.html");
  send_from_web("vbcontainer:PROCESS_PWD_ENTRY(secret)", "password.htm");
  back.by_program = true;
  back.type = NavigationType::Other;
  EXPECT_FALSE(platform_.window().events.web_BeforeNavigate2(back));
  send_from_web("vbcontainer:APPROVEREFUSED(TODAY)", "Approve.html");
  EXPECT_EQ(content().location, "http://museum.example/art");
  EXPECT_FALSE(follow("http://kids.museum.example/"));
  EXPECT_TRUE(follow("http://othermuseum.example/"));
  // Until midnight only, and never for another child.
  clock_.time = visits::next_local_midnight(clock_.time);
  EXPECT_TRUE(follow("http://museum.example/art"));
  clock_.time -= 1;
  EXPECT_FALSE(follow("http://museum.example/art"));
  start_child("Chris");
  EXPECT_TRUE(follow("http://museum.example/art"));
}

TEST_F(StayOnSites, OnceLastsTheVisitAndAlwaysIsKeptUnderTheChild) {
  start_child("Mary");
  const auto approve = [&](const std::string& url, const std::string& choice) {
    EXPECT_TRUE(follow(url));
    send_from_web("vbcontainer:ASKGROWNUP()", "NotOnList.html");
    send_from_web("vbcontainer:PROCESS_PWD_ENTRY(secret)", "password.htm");
    send_from_web("vbcontainer:APPROVEREFUSED(" + choice + ")", "Approve.html");
  };
  approve("http://once.example/", "once");
  EXPECT_EQ(content().location, "http://once.example/");
  EXPECT_FALSE(follow("http://once.example/more"));
  approve("http://library.example/books", "Always");
  EXPECT_FALSE(follow("http://library.example/"));
  send_from_web("vbcontainer:GO_HOME()", "KBControls.html");
  EXPECT_TRUE(follow("http://once.example/"));
  EXPECT_FALSE(follow("http://library.example/"));
  EXPECT_NE(read_config().find("<Host>library.example</Host>"), std::string::npos);
  start_child("Chris");
  EXPECT_TRUE(follow("http://library.example/"));
  // "No" goes back to the page before the refusal and allows nothing.
  start_child("Mary");
  content().location = "http://zoo.example/";
  app_->state().current_url = "http://zoo.example/";
  approve("http://no.example/", "NO");
  EXPECT_EQ(content().location, "http://zoo.example/");
  EXPECT_TRUE(follow("http://no.example/"));
}

TEST_F(StayOnSites, ParentsCommandsStoreNormalisedHostsAndTheLogShowsRefusalsFirst) {
  send_from_web("vbcontainer:SETALSOALLOW(2,Videos.Example. https://pics.example/x)",
                "KBConfigmain.htm");
  EXPECT_NE(read_config().find("<Host>videos.example</Host>"), std::string::npos);
  EXPECT_NE(read_config().find("<Host>pics.example</Host>"), std::string::npos);
  send_from_web("vbcontainer:SETALSOALLOW(2,ok.example bad<host)", "KBConfigmain.htm");
  EXPECT_EQ(platform_.messages.texts.size(), 1u);
  EXPECT_NE(read_config().find("<Host>videos.example</Host>"), std::string::npos);
  send_from_web("vbcontainer:ALWAYSALLOW(3,HTTP://Games.Example/play)", "KBConfigmain.htm");
  EXPECT_NE(read_config().find("<Host>games.example</Host>"), std::string::npos);
  send_from_web("vbcontainer:UPDATESTAYONSITES(0)", "KBConfigmain.htm");
  EXPECT_NE(read_config().find("<StayOnSites>No</StayOnSites>"), std::string::npos);
  send_from_web("vbcontainer:UPDATESTAYONSITES(1)", "KBConfigmain.htm");

  start_child("Chris");
  EXPECT_FALSE(follow("http://games.example/"));
  EXPECT_TRUE(follow("http://www.music.example/"));
  std::string shown;
  content().functions["Show_Visits"] = [&](const std::string& script) {
    shown = script;
    return std::string();
  };
  send_from_web("vbcontainer:LOADVISITS(Chris,)", "VisitLog.htm");
  const std::size_t refused = shown.find("\"host\":\"www.music.example\",\"refused\":true");
  const std::size_t opened = shown.find("\"host\":\"games.example\",\"refused\":false");
  ASSERT_NE(refused, std::string::npos) << shown;
  ASSERT_NE(opened, std::string::npos) << shown;
  EXPECT_LT(refused, opened);
  EXPECT_NE(shown.find("\"day\":\"" + visits::local_day_of(clock_.time) + "\""), std::string::npos);
}

}  // namespace
}  // namespace kb::testing
