#include <gtest/gtest.h>

#include "e2e_fixture.h"

namespace kb::testing {
namespace {

using ChildBrowsing = E2ETest;

// Asks a view for its context menu as a right click would; answers whether
// the program stopped it.
bool context_menu_suppressed(WebKitWebView* view) {
  g_autoptr(WebKitContextMenu) menu = webkit_context_menu_new();
  g_autoptr(WebKitHitTestResult) hit =
      WEBKIT_HIT_TEST_RESULT(g_object_new(WEBKIT_TYPE_HIT_TEST_RESULT, nullptr));
  gboolean handled = FALSE;
  g_signal_emit_by_name(view, "context-menu", menu, hit, &handled);
  return handled;
}

TEST_F(ChildBrowsing, AChildChoosesItsNameVisitsASiteAndMovesThroughItsPages) {
  site_->add_page("/zoo.html",
                  "<html><body><a id='next' href='/second.html'>next</a>"
                  "<a id='file' href='/file.bin'>file</a></body></html>");
  site_->add_page("/second.html", "<html><body>second</body></html>");
  write_config(two_children_config());
  start();
  ASSERT_TRUE(wait_for_web(page("SelectUser.htm")));
  EXPECT_TRUE(run_until([&] { return title() == "Select a User to Begin"; }));
  EXPECT_EQ(caption(), "Kitebrook--" + page("SelectUser.htm"));
  EXPECT_TRUE(context_menu_suppressed(gtk_window().web_view()));
  EXPECT_TRUE(context_menu_suppressed(gtk_window().controls_view()));

  // A click on Mary's tile rebuilds the window and shows her start page.
  choose_child("Mary");
  ASSERT_TRUE(start_page_shows("1,2"));
  EXPECT_TRUE(button_shown("btnHome"));
  EXPECT_EQ(app_->state().current_user, "Mary");

  // Visiting a site names the child in the caption.
  click_site(1);
  ASSERT_TRUE(wait_for_web(site_->url("/zoo.html")));
  EXPECT_EQ(caption(), "Mary'sKitebrook--" + site_->url("/zoo.html"));

  // A file the engine cannot show is not saved; the page stays.
  click("file");
  run_until([&] { return site_->requests("/file.bin") > 0; });
  settle(std::chrono::milliseconds(500));
  EXPECT_EQ(web_location(), site_->url("/zoo.html"));

  click("next");
  ASSERT_TRUE(wait_for_web(site_->url("/second.html")));
  press("btnBack");
  ASSERT_TRUE(wait_for_web(site_->url("/zoo.html")));
  press("btnForward");
  ASSERT_TRUE(wait_for_web(site_->url("/second.html")));
  press("btnHome");
  EXPECT_TRUE(start_page_shows("1,2"));
  EXPECT_TRUE(messages_.texts.empty());
}

TEST_F(ChildBrowsing, AChildWithoutSitesSeesAFriendlyPage) {
  std::string config = two_children_config();
  // Nothing for everybody: Mary keeps Music, Chris keeps Space, Sam has none.
  config.replace(config.find("<AllowedUsers><User><ID>1</ID></User></AllowedUsers>"), 52,
                 "<AllowedUsers></AllowedUsers>");
  config.replace(config.find("</Users>"), 8,
                 "<User><Name>Sam</Name><Image>fox.svg</Image><ID>4</ID></User></Users>");
  write_config(config);
  start();
  choose_child("Sam");
  ASSERT_TRUE(wait_for_web(page("UserStart.html")));
  EXPECT_TRUE(run_until([&] {
    return web_js(
               "(function (e) { return e !== null && !e.hidden && e.offsetHeight > 0; })"
               "(document.getElementById('no-sites'))") == "true";
  }));
  EXPECT_EQ(web_js("document.querySelectorAll('.site-tile').length"), "0");
}

TEST_F(ChildBrowsing, PrintingIsCountedAndRefusedForButtonAndPageAlike) {
  visit_zoo("<html><body><button id='p' onclick='window.print()'>print</button></body></html>");
  press("btnPrint");
  press("btnPrint");
  ASSERT_TRUE(run_until([&] { return printed_.size() == 2; }));
  // The page's own print call is counted as the third...
  click("p");
  ASSERT_TRUE(run_until([&] { return printed_.size() == 3; }));
  EXPECT_TRUE(messages_.texts.empty());
  // ...and refused as the fourth, as is the button.
  click("p");
  ASSERT_TRUE(run_until([&] { return messages_.texts.size() == 1; }));
  press("btnPrint");
  ASSERT_TRUE(run_until([&] { return messages_.texts.size() == 2; }));
  settle(std::chrono::milliseconds(300));
  EXPECT_EQ(printed_.size(), 3u);
  EXPECT_EQ(messages_.texts, (std::vector<std::string>{"Mommy says no more printing!",
                                                       "Mommy says no more printing!"}));
  EXPECT_EQ(printed_.front(), site_->url("/zoo.html"));
}

// The Exit button and closing the window both ask for the password; a
// wrong one is refused, Cancel gives the site and the buttons back.
TEST_F(ChildBrowsing, LeavingByTheButtonOrTheWindowIsBehindThePassword) {
  visit_zoo("<html><body>zoo</body></html>");
  press("btnExit");
  ASSERT_TRUE(wait_for_web(page("password.htm")));
  ASSERT_TRUE(run_until([&] { return title() == "Password Required"; }));
  fill("pwd", "Secret");
  click("ok");
  ASSERT_TRUE(run_until([&] { return messages_.texts.size() == 1; }));
  EXPECT_EQ(messages_.texts[0], "The password entered is incorrect, try again!");
  ASSERT_TRUE(wait_for_web(page("password.htm")));
  ASSERT_TRUE(has_element("cancel"));
  click("cancel");
  ASSERT_TRUE(wait_for_web(site_->url("/zoo.html")));
  EXPECT_TRUE(run_until([&] { return button_shown("btnHome"); }));
  EXPECT_FALSE(ended_);

  gtk_window_close(gtk_window().window());
  ASSERT_TRUE(wait_for_web(page("password.htm")));
  EXPECT_FALSE(ended_);
  fill("pwd", "secret");
  click("ok");
  EXPECT_TRUE(run_until([&] { return ended_; }));
}

}  // namespace
}  // namespace kb::testing
