#include <gtest/gtest.h>

#include <functional>

#include "shell/command_sender.h"
#include "support/app_fixture.h"

namespace kb::testing {
namespace {

using NavigationFilter = AppTest;

// Then commands, cancelled in any letter case, and a new window's page.
TEST_F(NavigationFilter, CaptionNamesTheUserAndTheAddress) {
  start();
  const auto visit = [&](const std::string& url, const std::string& sender) {
    return platform_.window().events.web_BeforeNavigate2(page_navigation(url, sender));
  };
  EXPECT_FALSE(visit("http://a.example/", page("UserStart.html")));
  EXPECT_EQ(platform_.window().caption(), "Kitebrook--http://a.example/");
  send_from_web("VBCONTAINER:STARTFORUSER(Chris)");
  visit("http://b.example/", page("UserStart.html"));
  EXPECT_EQ(platform_.window().caption(), "Chris'Kitebrook--http://b.example/");
  send_from_web("VBCONTAINER:STARTFORUSER(Sam)");
  visit("http://c.example/%20x", page("UserStart.html"));
  EXPECT_EQ(platform_.window().caption(), "Sam'sKitebrook--http://c.example/%20x");
  // The two degenerate addresses are refused after the caption was set.
  EXPECT_TRUE(visit("http:///", ""));
  EXPECT_EQ(platform_.window().caption(), "Sam'sKitebrook--http:///");
  EXPECT_TRUE(visit("", ""));
  EXPECT_FALSE(visit("HTTP:///", ""));
  SCOPED_TRACE("commands in any letter case are cancelled");
  EXPECT_TRUE(send_from_web("vbcontainer:startforuser(Mary)"));
  EXPECT_EQ(app_->state().current_user, "Mary");
  // Malformed or unknown commands are cancelled too and change nothing.
  const std::size_t mark = platform_.journal.size();
  EXPECT_TRUE(send_from_web("VBCONTAINER:GO_BACK"));
  EXPECT_TRUE(send_from_web("VBCONTAINER:GO_BACK ()"));
  EXPECT_TRUE(send_from_web("VBCONTAINER:NOSUCH(a)"));
  EXPECT_EQ(platform_.journal.size(), mark);

  // %20 becomes a space only from the content area; characters outside
  // ASCII arrive as themselves from every control.
  send_from_web("VBCONTAINER:STARTFORUSER(Mary%20Ann)");
  EXPECT_EQ(app_->state().current_user, "Mary Ann");
  EXPECT_TRUE(send_from_controls("VBCONTAINER:STARTFORUSER(Mary%20Ann)"));
  EXPECT_EQ(app_->state().current_user, "Mary%20Ann");
  send_from_controls("vbcontainer:startforuser(Zo%C3%AB)");
  EXPECT_EQ(app_->state().current_user, "Zo\xC3\xAB");

  // The control bar loads an ordinary address untouched.
  StandInWindow& window = platform_.window();
  EXPECT_FALSE(window.events.brwControls_BeforeNavigate2(page_navigation("http://d.example/", "")));

  SCOPED_TRACE("a new window's page is shown in the content area");
  window.hidden.location = "http://site.example/popup.html";
  const std::string shown = window.content.location;
  EXPECT_FALSE(window.events.wbbrwnewhidden_BeforeNavigate2(
      page_navigation("http://site.example/other", "")));
  EXPECT_EQ(window.content.location, shown);
  // A navigation to the address the hidden view already shows goes on to the content area.
  window.events.wbbrwnewhidden_BeforeNavigate2(
      page_navigation("http://site.example/popup.html", ""));
  EXPECT_EQ(window.content.location, "http://site.example/popup.html");
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
  const std::string host = "/opt/kitebrook/Data/KBConfigmain.htm";
  const std::string site = "http://site.example/page.html";
  // A host page's own script navigation to a command, changed by `edit`.
  const auto from_host = [&](const std::function<void(NavigationRequest&)>& edit) {
    NavigationRequest request = page_navigation("vbcontainer:UPDATEPWD(x)", host);
    edit(request);
    return request;
  };
  const auto sent_by = [&](const std::string& page) {
    return from_host(
        [&](NavigationRequest& r) { r.sender_document = r.committed_document = page; });
  };
  const auto typed = [&](NavigationType type) {
    return from_host([&](NavigationRequest& r) { r.type = type; });
  };
  const std::pair<const char*, NavigationRequest> commands[] = {
      {"a host page's script", typed(NavigationType::Other)},
      {"a host page's link", typed(NavigationType::LinkClicked)},
      {"a host page's form", typed(NavigationType::FormSubmitted)}};
  const std::pair<const char*, NavigationRequest> refused[] = {
      {"a redirect while a host page is shown", from_host([](NavigationRequest& r) {
         r.is_redirect = true;
         r.frame = NavigationFrame::Main;
       })},
      {"a redirect that still names the host page",
       from_host([](NavigationRequest& r) { r.is_redirect = true; })},
      {"a history step", typed(NavigationType::BackForward)},
      {"a reload", typed(NavigationType::Reload)},
      {"a form sent again", typed(NavigationType::FormResubmitted)},
      {"the program's own load", from_host([](NavigationRequest& r) { r.by_program = true; })},
      {"a new window's first page", from_host([](NavigationRequest& r) { r.new_window = true; })},
      {"no page at all", from_host([](NavigationRequest& r) { r.sender_document.clear(); })},
      {"a sender other than the page shown",
       from_host([&](NavigationRequest& r) { r.committed_document = site; })},
      {"a file beside the Data folder", sent_by("/opt/kitebrook/Data/../x.htm")},
      {"a folder whose name begins like Data", sent_by("/opt/kitebrook/Database/x.htm")},
      {"a host page named by URI", sent_by("file://" + host)}};
  const ProgramFolders folders = ProgramFolders::beside("/opt/kitebrook");
  for (const auto& [what, request] : commands)
    EXPECT_TRUE(sent_by_host_page(request, folders)) << what;
  for (const auto& [what, request] : refused)
    EXPECT_FALSE(sent_by_host_page(request, folders)) << what;
}

}  // namespace
}  // namespace kb::testing
