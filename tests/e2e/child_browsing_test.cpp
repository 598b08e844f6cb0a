#include <gtest/gtest.h>

#include "e2e_fixture.h"
#include "platform/main_window_gtk.h"

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

// The site the children visit: a second page, a page that opens a window,
// and a page that tries to command the host.
void add_zoo(TestSite& site) {
  site.add_page("/zoo.html",
                "<html><body><h1>Zoo</h1><a id='next' href='/second.html'>next</a>"
                "<a id='file' href='/file.bin'>file</a></body></html>");
  site.add_page("/second.html", "<html><body><h1>Second</h1></body></html>");
  site.add_page("/popup.html", "<html><body><h1>Popup</h1></body></html>");
  site.add_page("/music.html", "<html><body><h1>Music</h1></body></html>");
}

TEST_F(ChildBrowsing, AChildChoosesItsNameSeesItsSitesAndVisitsOne) {
  add_zoo(*site_);
  write_config(two_children_config());
  const std::string config = read_config();
  start();
  ASSERT_TRUE(wait_for_web(page("SelectUser.htm")));
  ASSERT_TRUE(
      run_until([&] { return web_js("document.querySelectorAll('.user-tile').length") == "2"; }));
  EXPECT_EQ(controls_js("document.getElementById('title').textContent"), "Select a User to Begin");
  EXPECT_EQ(caption(), "Kitebrook--" + page("SelectUser.htm"));
  auto& window = dynamic_cast<gtk::MainWindowGtk&>(app_->main_window().view());
  EXPECT_TRUE(context_menu_suppressed(window.web_view()));
  EXPECT_TRUE(context_menu_suppressed(window.controls_view()));

  // A click on Mary's tile rebuilds the window and shows her start page.
  web_js("document.querySelector('.user-tile[data-user=\"Mary\"]').click()");
  ASSERT_TRUE(wait_for_web(page("UserStart.html")));
  ASSERT_TRUE(
      run_until([&] { return web_js("document.querySelectorAll('.site-tile').length") == "2"; }));
  EXPECT_EQ(web_js("Array.from(document.querySelectorAll('.site-tile'))"
                   ".map(t => t.dataset.siteId).sort().join(',')"),
            "1,2");
  EXPECT_EQ(controls_js("getComputedStyle(document.getElementById('btnHome')).display === 'none'"),
            "false");
  EXPECT_EQ(app_->state().current_user, "Mary");

  // Visiting a site names the child in the caption.
  web_js("document.querySelector('.site-tile[data-site-id=\"1\"]').click()");
  ASSERT_TRUE(wait_for_web(site_->url("/zoo.html")));
  EXPECT_EQ(caption(), "Mary'sKitebrook--" + site_->url("/zoo.html"));

  // A window the site opens shows in the content area.
  web_js("window.open('/popup.html'); 0");
  ASSERT_TRUE(wait_for_web(site_->url("/popup.html")));

  // A command URL from the site runs nothing and leaves the page in place.
  web_js("location.href = 'vbcontainer:UPDATEPWD(hacked)'; 0");
  web_js("location.href = 'vbcontainer:GO_EXIT()'; 0");
  settle(std::chrono::milliseconds(800));
  EXPECT_EQ(read_config(), config);
  EXPECT_EQ(web_location(), site_->url("/popup.html"));
  EXPECT_FALSE(ended_);

  // A file the engine cannot show is not saved; the page stays.
  web_js("history.back(); 0");
  ASSERT_TRUE(wait_for_web(site_->url("/zoo.html")));
  web_js("document.getElementById('file').click(); 0");
  run_until([&] { return site_->requests("/file.bin") > 0; });
  settle(std::chrono::milliseconds(500));
  EXPECT_EQ(web_location(), site_->url("/zoo.html"));
  EXPECT_TRUE(messages_.texts.empty());
}

}  // namespace
}  // namespace kb::testing

namespace kb::testing {
namespace {

TEST_F(ChildBrowsing, AChildWithoutSitesSeesAFriendlyPage) {
  std::string config = two_children_config();
  // Nothing for everybody: Mary keeps Music, Chris keeps Space, Sam has none.
  config.replace(config.find("<AllowedUsers><User><ID>1</ID></User></AllowedUsers>"), 52,
                 "<AllowedUsers></AllowedUsers>");
  config.replace(config.find("</Users>"), 8,
                 "<User><Name>Sam</Name><Image>fox.svg</Image><ID>4</ID></User></Users>");
  write_config(config);
  start();
  ASSERT_TRUE(wait_for_web(page("SelectUser.htm")));
  ASSERT_TRUE(
      run_until([&] { return web_js("document.querySelectorAll('.user-tile').length") == "3"; }));
  web_js("document.querySelector('.user-tile[data-user=\"Sam\"]').click(); 0");
  ASSERT_TRUE(wait_for_web(page("UserStart.html")));
  EXPECT_TRUE(run_until([&] {
    return web_js(
               "(function (e) { return e !== null && !e.hidden && e.offsetHeight > 0; })"
               "(document.getElementById('no-sites'))") == "true";
  }));
  EXPECT_EQ(web_js("document.querySelectorAll('.site-tile').length"), "0");
}

}  // namespace
}  // namespace kb::testing
