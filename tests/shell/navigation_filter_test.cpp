#include <gtest/gtest.h>

#include "shell/command_sender.h"
#include "support/app_fixture.h"
#include "visits/local_days.h"

namespace kb::testing {
namespace {

using NavigationFilter = AppTest;

// Then commands, cancelled in any letter case, and a new window's page.
TEST_F(NavigationFilter, CaptionNamesTheUserAndTheAddress) {
  start();
  const auto visit = [&](const std::string& url, const std::string& sender = "") {
    return platform_.window().events.web_BeforeNavigate2(page_navigation(url, sender));
  };
  const auto caption_at = [&](const std::string& url) {
    visit(url, page("UserStart.html"));
    return platform_.window().caption();
  };
  EXPECT_EQ(caption_at("http://a.example/"), "Kitebrook--http://a.example/");
  send_from_web("VBCONTAINER:STARTFORUSER(Chris)");
  EXPECT_EQ(caption_at("http://b.example/"), "Chris'Kitebrook--http://b.example/");
  send_from_web("VBCONTAINER:STARTFORUSER(Sam)");
  EXPECT_EQ(caption_at("http://c.example/%20x"), "Sam'sKitebrook--http://c.example/%20x");
  // The two degenerate addresses are refused after the caption was set.
  EXPECT_TRUE(visit("http:///"));
  EXPECT_EQ(platform_.window().caption(), "Sam'sKitebrook--http:///");
  EXPECT_TRUE(visit(""));
  EXPECT_FALSE(visit("HTTP:///"));

  SCOPED_TRACE("commands in any letter case, malformed or unknown, are cancelled");
  const std::size_t mark = platform_.journal.size();
  for (const char* command :
       {"VBCONTAINER:GO_BACK", "VBCONTAINER:GO_BACK ()", "VBCONTAINER:NOSUCH(a)"})
    EXPECT_TRUE(send_from_web(command)) << command;
  EXPECT_EQ(platform_.journal.size(), mark);
  // %20 becomes a space only from the content area; characters outside
  // ASCII arrive as themselves from every control.
  const auto user_after = [&](bool cancelled) {
    EXPECT_TRUE(cancelled);
    return app_->state().current_user;
  };
  EXPECT_EQ(user_after(send_from_web("vbcontainer:startforuser(Mary%20Ann)")), "Mary Ann");
  EXPECT_EQ(user_after(send_from_controls("VBCONTAINER:STARTFORUSER(Mary%20Ann)")), "Mary%20Ann");
  EXPECT_EQ(user_after(send_from_controls("vbcontainer:startforuser(Zo%C3%AB)")), "Zo\xC3\xAB");
  // The control bar loads an ordinary address untouched.
  EXPECT_FALSE(platform_.window().events.brwControls_BeforeNavigate2(
      page_navigation("http://d.example/", "")));

  SCOPED_TRACE("a new window's page is shown in the content area");
  StandInWindow& shown = platform_.window();
  shown.hidden.location = "http://site.example/popup.html";
  const std::string before = shown.content.location;
  EXPECT_FALSE(shown.events.wbbrwnewhidden_BeforeNavigate2(
      page_navigation("http://site.example/other", "")));
  EXPECT_EQ(shown.content.location, before);
  // A navigation to the address the hidden view already shows goes on to the content area.
  shown.events.wbbrwnewhidden_BeforeNavigate2(
      page_navigation("http://site.example/popup.html", ""));
  EXPECT_EQ(shown.content.location, "http://site.example/popup.html");
}

TEST_F(NavigationFilter, TheWizardMovesOnAfterItsTwoHandOverPages) {
  // A site without a picture stops the rewriting of the sites, quietly.
  std::string config = kTwoChildren;
  config.replace(config.find("</WebSites>"), 0,
                 "<WebSite><Label>B</Label><Target>b</Target><ID>3</ID><AllowedUsers/></WebSite>"
                 "<WebSite><Label>C</Label><Image>c.svg</Image><Target>c</Target><ID>4</ID>"
                 "<AllowedUsers/></WebSite>");
  write_config(config);
  start();
  StandInWindow& window = platform_.window();
  window.events.web_NavigateComplete2(folder_.string() + "/DATA/Sresetpassword.htm");
  send_from_web("VBCONTAINER:UPDATEPWD(new)", "Sresetpassword.htm");
  EXPECT_TRUE(stored_password_is("new"));
  EXPECT_EQ(window.content.location, page("SAddUserHelp.html"));

  window.events.web_NavigateComplete2(page("Seditsettings.htm"));
  send_from_web("VBCONTAINER:UPDATESETTINGS(0,1,x,5)", "Seditsettings.htm");
  // The sites' pictures, given their full paths, are left alone the second time.
  config = read_config();
  EXPECT_NE(config.find("<Image>c.svg</Image>"), std::string::npos);
  EXPECT_TRUE(platform_.messages.texts.empty());
  send_from_web("VBCONTAINER:CLEARSITEGLOBALS()", "Seditsettings.htm");
  EXPECT_EQ(read_config(), config);
  EXPECT_EQ(app_->state().edit.edit_site_id, 2);
}

TEST(CommandSender, OnlyAHostPagesOwnNavigationCommands) {
  using R = NavigationRequest;
  const std::string host = "/opt/kitebrook/Data/KBConfigmain.htm";
  // A host page's own script navigation to a command, and a copy with one field changed.
  const R script = page_navigation("vbcontainer:UPDATEPWD(x)", host);
  const auto with = [](R request, auto field, auto value) {
    request.*field = value;
    return request;
  };
  const auto sent_by = [&](const std::string& page) {
    return with(with(script, &R::sender_document, page), &R::committed_document, page);
  };
  const std::pair<const char*, R> commands[] = {
      {"a host page's script", script},
      {"a host page's link", with(script, &R::type, NavigationType::LinkClicked)},
      {"a host page's form", with(script, &R::type, NavigationType::FormSubmitted)}};
  const std::pair<const char*, R> refused[] = {
      {"a redirect while a host page is shown",
       with(with(script, &R::is_redirect, true), &R::frame, NavigationFrame::Main)},
      {"a redirect that still names the host page", with(script, &R::is_redirect, true)},
      {"a history step", with(script, &R::type, NavigationType::BackForward)},
      {"a reload", with(script, &R::type, NavigationType::Reload)},
      {"a form sent again", with(script, &R::type, NavigationType::FormResubmitted)},
      {"the program's own load", with(script, &R::by_program, true)},
      {"a new window's first page", with(script, &R::new_window, true)},
      {"no page at all", with(script, &R::sender_document, std::string())},
      {"a sender other than the page shown",
       with(script, &R::committed_document, std::string("http://site.example/page.html"))},
      {"a file beside the Data folder", sent_by("/opt/kitebrook/Data/../x.htm")},
      {"a folder whose name begins like Data", sent_by("/opt/kitebrook/Database/x.htm")},
      {"a host page named by URI", sent_by("file://" + host)}};
  const ProgramFolders folders = ProgramFolders::beside("/opt/kitebrook");
  for (const auto& [what, request] : commands)
    EXPECT_TRUE(sent_by_host_page(request, folders)) << what;
  for (const auto& [what, request] : refused)
    EXPECT_FALSE(sent_by_host_page(request, folders)) << what;
}

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

  SCOPED_TRACE("the parent's commands store normalised hosts");
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

}  // namespace
}  // namespace kb::testing
