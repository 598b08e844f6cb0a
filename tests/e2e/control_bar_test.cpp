#include <gtest/gtest.h>

#include "e2e_fixture.h"

namespace kb::testing {
namespace {

class ControlBar : public E2ETest {
 protected:
  // Starts the program and opens Mary's start page.
  void start_as_mary() {
    start();
    ASSERT_TRUE(wait_for_web(page("SelectUser.htm")));
    ASSERT_TRUE(
        run_until([&] { return web_js("document.querySelectorAll('.user-tile').length") == "2"; }));
    web_js("document.querySelector('.user-tile[data-user=\"Mary\"]').click()");
    ASSERT_TRUE(wait_for_web(page("UserStart.html")));
    ASSERT_TRUE(run_until([&] {
      return controls_js("getComputedStyle(document.getElementById('btnBack')).display") != "none";
    }));
  }
  // The bar ignores a second click within half a second (a double click
  // must not print twice), so each press waits that long first.
  void press(const std::string& button) {
    settle(std::chrono::milliseconds(600));
    controls_js("document.getElementById('" + button + "').click(); 0");
  }
};

TEST_F(ControlBar, BackForwardAndHomeMoveThroughTheChildsPages) {
  site_->add_page("/zoo.html",
                  "<html><body><a id='next' href='/second.html'>next</a></body></html>");
  site_->add_page("/second.html", "<html><body>second</body></html>");
  write_config(two_children_config());
  start_as_mary();
  web_js("document.querySelector('.site-tile[data-site-id=\"1\"]').click(); 0");
  ASSERT_TRUE(wait_for_web(site_->url("/zoo.html")));
  web_js("document.getElementById('next').click(); 0");
  ASSERT_TRUE(wait_for_web(site_->url("/second.html")));

  press("btnBack");
  ASSERT_TRUE(wait_for_web(site_->url("/zoo.html")));
  press("btnForward");
  ASSERT_TRUE(wait_for_web(site_->url("/second.html")));
  press("btnHome");
  ASSERT_TRUE(wait_for_web(page("UserStart.html")));
  EXPECT_TRUE(
      run_until([&] { return web_js("document.querySelectorAll('.site-tile').length") == "2"; }));
  EXPECT_TRUE(messages_.texts.empty());
}

TEST_F(ControlBar, PrintingIsCountedAndRefusedForButtonAndPageAlike) {
  site_->add_page(
      "/zoo.html",
      "<html><body><button id='p' onclick='window.print()'>print</button></body></html>");
  write_config(two_children_config("Yes", "3"));
  start_as_mary();
  web_js("document.querySelector('.site-tile[data-site-id=\"1\"]').click(); 0");
  ASSERT_TRUE(wait_for_web(site_->url("/zoo.html")));

  press("btnPrint");
  press("btnPrint");
  ASSERT_TRUE(run_until([&] { return printed_.size() == 2; }));
  // The page's own print call is counted as the third...
  web_js("document.getElementById('p').click(); 0");
  ASSERT_TRUE(run_until([&] { return printed_.size() == 3; }));
  EXPECT_TRUE(messages_.texts.empty());
  // ...and refused as the fourth, as is the button.
  web_js("document.getElementById('p').click(); 0");
  ASSERT_TRUE(run_until([&] { return messages_.texts.size() == 1; }));
  press("btnPrint");
  ASSERT_TRUE(run_until([&] { return messages_.texts.size() == 2; }));
  settle(std::chrono::milliseconds(300));
  EXPECT_EQ(printed_.size(), 3u);
  EXPECT_EQ(messages_.texts, (std::vector<std::string>{"Mommy says no more printing!",
                                                       "Mommy says no more printing!"}));
  EXPECT_EQ(printed_.front(), site_->url("/zoo.html"));
}

TEST_F(ControlBar, LeavingIsBehindThePassword) {
  write_config(two_children_config("Yes"));
  start_as_mary();
  press("btnExit");
  ASSERT_TRUE(wait_for_web(page("password.htm")));
  ASSERT_TRUE(run_until([&] {
    return controls_js("document.getElementById('title').textContent") == "Password Required";
  }));
  web_js(
      "document.getElementById('pwd').value = 'Secret'; document.getElementById('ok').click(); 0");
  ASSERT_TRUE(run_until([&] { return messages_.texts.size() == 1; }));
  EXPECT_EQ(messages_.texts[0], "The password entered is incorrect, try again!");
  EXPECT_FALSE(ended_);
  ASSERT_TRUE(wait_for_web(page("password.htm")));
  web_js(
      "document.getElementById('pwd').value = 'secret'; document.getElementById('ok').click(); 0");
  EXPECT_TRUE(run_until([&] { return ended_; }));
}

TEST_F(ControlBar, CancellingThePasswordGivesTheButtonsBack) {
  write_config(two_children_config("Yes"));
  start_as_mary();
  press("btnParent");
  ASSERT_TRUE(wait_for_web(page("password.htm")));
  web_js("document.getElementById('cancel').click(); 0");
  ASSERT_TRUE(wait_for_web(page("UserStart.html")));
  EXPECT_TRUE(run_until([&] {
    return controls_js("getComputedStyle(document.getElementById('btnHome')).display") != "none";
  }));
  EXPECT_FALSE(ended_);
}

}  // namespace
}  // namespace kb::testing
