#include <gtest/gtest.h>

#include "e2e_fixture.h"

namespace kb::testing {
namespace {

constexpr const char* kTakeOver = "vbcontainer:UPDATESETTINGS(0,1,0,999)";
constexpr const char* kNewPassword = "vbcontainer:UPDATEPWD(hacked)";

// A site that tries to command the host on the real engine: by redirecting
// a navigation that a host page started, by a history step into such a
// redirect, from its own page or from a window it opened. Nothing it sends
// may run.
class HostileSite : public E2ETest {
 protected:
  // Points the start page's Zoo tile at `path` on the site and follows it.
  void follow_tile_to(const std::string& path) {
    if (web_location() != page("UserStart.html")) press("btnHome");
    ASSERT_TRUE(start_page_shows("1,2"));
    web_js("(function (t) { t.href = '" + site_->url(path) + "'; t.click(); })" +
           "(document.querySelector('.site-tile[data-site-id=\"1\"]')); 0");
    ASSERT_TRUE(run_until([&] { return site_->requests(path) > 0; }));
  }
  // The configuration is as written, the program still runs, and the child
  // is not on a parent's page.
  void expect_nothing_ran(const std::string& how) {
    SCOPED_TRACE(how);
    settle(std::chrono::milliseconds(1500));
    EXPECT_EQ(read_config(), config_);
    EXPECT_FALSE(ended_);
    EXPECT_NE(web_location(), page("KBConfigmain.htm"));
    EXPECT_NE(web_location(), page("password.htm"));
  }

  std::string config_;
};

TEST_F(HostileSite, NothingTheSiteSendsRunsACommand) {
  site_->add_redirect("/go", kNewPassword);
  site_->add_redirect("/hop1", site_->url("/hop2"), 301);
  site_->add_redirect("/hop2", kTakeOver, 307);
  site_->add_page("/refresh", "<html><body>wait</body></html>",
                  {{"Refresh", std::string("0; url=") + kNewPassword}});
  site_->add_page("/meta", std::string("<html><head><meta http-equiv='refresh' content='0; url=") +
                               kTakeOver + "'></head><body>wait</body></html>");
  site_->add_page("/reader.html", "<html><body>reader</body></html>");
  site_->add_page("/flip", "<html><body>flip</body></html>", {{"Cache-Control", "no-store"}});
  // The opened window keeps trying to send its opener to a command.
  site_->add_page("/opener.html",
                  "<html><body><script>window.open('/popup.html');</script></body></html>");
  site_->add_page("/popup.html", std::string("<html><body><script>setInterval(function () { try { "
                                             "window.opener.location = '") +
                                     kNewPassword +
                                     "'; } catch (e) {} }, 50);</script></body></html>");
  config_ = two_children_config("No");
  write_config(config_);
  start_as_child("Mary");
  // As for a page the engine cannot keep: going back asks the site again.
  webkit_settings_set_enable_page_cache(webkit_web_view_get_settings(gtk_window().web_view()),
                                        FALSE);

  for (const std::string path : {"/go", "/hop1", "/refresh", "/meta"}) {
    follow_tile_to(path);
    expect_nothing_ran(path);
  }
  EXPECT_EQ(site_->requests("/hop2"), 1);

  // The site's own page can neither read the configuration nor command.
  follow_tile_to("/reader.html");
  ASSERT_TRUE(wait_for_web(site_->url("/reader.html")));
  EXPECT_EQ(
      web_js("(function () { try { var r = new XMLHttpRequest(); "
             "r.open('GET', 'kitebrook://config/KBConfig.xml', false); r.send(); "
             "return 'read ' + r.responseText.length; } catch (e) { return 'refused'; } })()"),
      "refused");
  web_js(std::string("location.href = '") + kNewPassword + "'; 0");
  web_js("location.href = 'vbcontainer:GO_EXIT()'; 0");
  expect_nothing_ran("the site's page");
  EXPECT_EQ(web_location(), site_->url("/reader.html"));

  // Back from the host's start page into the site, which now redirects to a
  // command.
  follow_tile_to("/flip");
  ASSERT_TRUE(wait_for_web(site_->url("/flip")));
  press("btnHome");
  ASSERT_TRUE(wait_for_web(page("UserStart.html")));
  site_->add_redirect("/flip", kNewPassword);
  press("btnBack");
  ASSERT_TRUE(run_until([&] { return site_->requests("/flip") > 1; }));
  expect_nothing_ran("a history step");

  // The window keeps trying once the child has gone home to a host page.
  follow_tile_to("/opener.html");
  ASSERT_TRUE(run_until([&] { return site_->requests("/popup.html") > 0; }));
  press("btnHome");
  ASSERT_TRUE(wait_for_web(page("UserStart.html")));
  expect_nothing_ran("an opened window");
}

}  // namespace
}  // namespace kb::testing
