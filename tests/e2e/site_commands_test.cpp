#include <gtest/gtest.h>

#include "e2e_fixture.h"
#include "platform/main_window_gtk.h"

namespace kb::testing {
namespace {

// A site that tries to command the host on the real engine: by redirecting
// a navigation that a host page started, by a history step into such a
// redirect, or from a window it opened. Nothing it sends may run.
class HostileSite : public E2ETest {
 protected:
  // Mary's start page with the Zoo tile leading to `path` on the site.
  void start_with_zoo_at(const std::string& path) {
    std::string config = two_children_config("No");
    const std::string zoo = site_->address("/zoo.html");
    config.replace(config.find(zoo), zoo.size(), site_->address(path));
    write_config(config);
    config_before_ = config;
    start_as_child("Mary");
  }
  void click_zoo() {
    web_js("document.querySelector('.site-tile[data-site-id=\"1\"]').click(); 0");
  }
  // Presses a button of the control bar, which ignores a second press
  // within half a second.
  void press(const std::string& button) {
    settle(std::chrono::milliseconds(600));
    ASSERT_TRUE(run_until([&] {
      return controls_js("getComputedStyle(document.getElementById('" + button + "')).display") !=
             "none";
    }));
    controls_js("document.getElementById('" + button + "').click(); 0");
  }
  // The site's commands ran nothing: the configuration is as written, the
  // program still runs, and the child is not on a parent's page.
  void expect_nothing_ran() {
    settle(std::chrono::milliseconds(1500));
    EXPECT_EQ(read_config(), config_before_);
    EXPECT_FALSE(ended_);
    EXPECT_NE(web_location(), page("KBConfigmain.htm"));
    EXPECT_NE(web_location(), page("password.htm"));
  }

  std::string config_before_;
};

constexpr const char* kTakeOver = "vbcontainer:UPDATESETTINGS(0,1,0,999)";
constexpr const char* kNewPassword = "vbcontainer:UPDATEPWD(hacked)";

TEST_F(HostileSite, ARedirectToACommandRunsNothing) {
  site_->add_redirect("/go", kNewPassword);
  start_with_zoo_at("/go");
  click_zoo();
  ASSERT_TRUE(run_until([&] { return site_->requests("/go") > 0; }));
  expect_nothing_ran();
}

TEST_F(HostileSite, TwoHopsToACommandRunNothing) {
  site_->add_redirect("/hop1", site_->url("/hop2"), 301);
  site_->add_redirect("/hop2", kTakeOver, 307);
  start_with_zoo_at("/hop1");
  click_zoo();
  ASSERT_TRUE(run_until([&] { return site_->requests("/hop2") > 0; }));
  expect_nothing_ran();
}

TEST_F(HostileSite, ARefreshHeaderToACommandRunsNothing) {
  site_->add_page_with_header("/refresh", "<html><body>wait</body></html>", "Refresh",
                              std::string("0; url=") + kNewPassword);
  start_with_zoo_at("/refresh");
  click_zoo();
  ASSERT_TRUE(run_until([&] { return site_->requests("/refresh") > 0; }));
  expect_nothing_ran();
}

TEST_F(HostileSite, AMetaRefreshToACommandRunsNothing) {
  site_->add_page("/meta", std::string("<html><head><meta http-equiv='refresh' content='0; url=") +
                               kTakeOver + "'></head><body>wait</body></html>");
  start_with_zoo_at("/meta");
  click_zoo();
  ASSERT_TRUE(run_until([&] { return site_->requests("/meta") > 0; }));
  expect_nothing_ran();
}

TEST_F(HostileSite, AHistoryStepIntoARedirectRunsNothing) {
  site_->add_page_with_header("/flip", "<html><body>flip</body></html>", "Cache-Control",
                              "no-store");
  start_with_zoo_at("/flip");
  // As for a page the engine cannot keep: going back asks the site again.
  auto& window = dynamic_cast<gtk::MainWindowGtk&>(app_->main_window().view());
  webkit_settings_set_enable_page_cache(webkit_web_view_get_settings(window.web_view()), FALSE);
  click_zoo();
  ASSERT_TRUE(wait_for_web(site_->url("/flip")));
  press("btnHome");
  ASSERT_TRUE(wait_for_web(page("UserStart.html")));
  // Back from the host's start page into the site, which now redirects to a
  // command.
  site_->add_redirect("/flip", kNewPassword);
  press("btnBack");
  ASSERT_TRUE(run_until([&] { return site_->requests("/flip") > 1; }));
  expect_nothing_ran();
}

TEST_F(HostileSite, AWindowTheSiteOpenedCannotCommandTheHostPageLater) {
  // The opened window keeps trying to send its opener to a command, also
  // once the child has gone home to a host page.
  site_->add_page("/opener.html",
                  "<html><body><script>window.open('/popup.html');</script></body></html>");
  site_->add_page("/popup.html", std::string("<html><body><script>setInterval(function () { try { "
                                             "window.opener.location = '") +
                                     kNewPassword +
                                     "'; } catch (e) {} }, 50);</script></body></html>");
  start_with_zoo_at("/opener.html");
  click_zoo();
  ASSERT_TRUE(run_until([&] { return site_->requests("/popup.html") > 0; }));
  press("btnHome");
  ASSERT_TRUE(wait_for_web(page("UserStart.html")));
  expect_nothing_ran();
}

TEST_F(HostileSite, CannotReadTheConfiguration) {
  site_->add_page("/reader.html", "<html><body>reader</body></html>");
  start_with_zoo_at("/reader.html");
  click_zoo();
  ASSERT_TRUE(wait_for_web(site_->url("/reader.html")));
  EXPECT_EQ(
      web_js("(function () { try { var r = new XMLHttpRequest(); "
             "r.open('GET', 'kitebrook://config/KBConfig.xml', false); r.send(); "
             "return 'read ' + r.responseText.length; } catch (e) { return 'refused'; } })()"),
      "refused");
}

}  // namespace
}  // namespace kb::testing
