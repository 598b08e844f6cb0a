#include <gtest/gtest.h>

#include <fstream>

#include "e2e_fixture.h"

namespace kb::testing {
namespace {

// A control bar page of the test's making, in place of the shipped one: its
// functions are defined at once, or only after a script that keeps the page
// busy for a while.
std::string control_bar_page(bool slow) {
  return std::string("<!DOCTYPE html><html><body><div id='msg'></div><script>") +
         (slow ? "const until = Date.now() + 250; while (Date.now() < until) {}" : "") +
         "function WriteMsg(t) { document.getElementById('msg').textContent = t; }"
         "function LoadControls() { document.getElementById('msg').textContent = 'buttons'; }"
         "</script></body></html>";
}

class PageWait : public E2ETest {
 protected:
  void use_control_bar(bool slow) {
    std::ofstream(folder_ / "Data" / "KBControls.html", std::ios::binary) << control_bar_page(slow);
  }
  std::string control_bar_text() {
    return controls_js("document.getElementById('msg').textContent");
  }
};

// The host calls into the control bar right after asking for it, often
// twice in a row (the welcome page reloads it again). Each call must run in
// the page that was asked for, whether it loads at once or slowly: a call
// into the page it replaces fails with "undefined is not a function".
TEST_F(PageWait, TheControlBarsFunctionsAreThereWhenTheHostCallsThem) {
  const std::string without_children =
      "<KBConfig><Settings><Pwd></Pwd><PrintAllowed>Yes</PrintAllowed><PrintLimit>3</PrintLimit>"
      "<PwdExit>No</PwdExit></Settings><Users><User><Name>AllUsers</Name><Image></Image>"
      "<ID>1</ID></User></Users><WebSites></WebSites></KBConfig>";
  for (const bool slow : {false, true}) {
    use_control_bar(slow);
    for (int run = 0; run < 8; ++run) {
      const bool welcome = run % 2 == 1;
      write_config(welcome ? without_children : two_children_config());
      start();
      ASSERT_TRUE(wait_for_web(page(welcome ? "SWelcome.html" : "SelectUser.htm")));
      EXPECT_TRUE(run_until([&] {
        return control_bar_text() ==
               (welcome ? "Kitebrook Configuration" : "Select a User to Begin");
      })) << (slow ? "slow" : "instant")
          << " control bar, run " << run;
      ASSERT_TRUE(messages_.texts.empty()) << messages_.texts.front();
      restart();
    }
  }
}

// A load counts as pending from the moment it is asked for: a script call
// right after two requests for the same page, the second replacing the
// first before the engine has started it, runs in the page, not in the
// empty document that the view shows meanwhile.
TEST_F(PageWait, AScriptCallWaitsForTheLoadItWasAskedForEvenWhenItReplacedAnother) {
  for (const bool slow : {false, true}) {
    use_control_bar(slow);
    write_config(two_children_config());
    start();
    ASSERT_TRUE(wait_for_web(page("SelectUser.htm")));
    // The second request comes at once, while the first waits for its
    // start, or while the first page is loading.
    for (const int gap : {0, 0, 5, 20, 60, 150}) {
      Kitebrook::HandlerScope scope(*app_);
      BrowserControl& bar = app_->main_window().view().brwControls();
      bar.navigate(page("KBControls.html"));
      settle(std::chrono::milliseconds(gap));
      bar.navigate(page("KBControls.html"));
      EXPECT_EQ(bar.run_script("typeof WriteMsg"), "function")
          << (slow ? "slow" : "instant") << " control bar, second request after " << gap << " ms";
      // Then the bar goes blank and comes back: the call must wait for the
      // page, not run in the blank one.
      bar.navigate("about:blank");
      settle(std::chrono::milliseconds(gap));
      bar.navigate(page("KBControls.html"));
      EXPECT_EQ(bar.run_script("typeof WriteMsg"), "function")
          << (slow ? "slow" : "instant") << " control bar after a blank page, " << gap << " ms";
    }
    restart();
  }
}

// The main window is built and its first page loaded while the splash
// shows; the window appears only at the splash's tick, its page already up.
TEST_F(PageWait, TheFirstPageIsReadyBehindTheSplashAndShownAtTheTick) {
  write_config(two_children_config());
  app_->Main();
  ASSERT_TRUE(run_until([&] {
    return app_->has_main_window() && web_location() == page("SelectUser.htm") &&
           title() == "Select a User to Begin";
  }));
  GtkWidget* window = GTK_WIDGET(gtk_window().window());
  EXPECT_FALSE(gtk_widget_get_visible(window));
  EXPECT_FALSE(app_->state().start_done);

  app_->Timer1_Timer();
  EXPECT_TRUE(app_->state().start_done);
  EXPECT_TRUE(gtk_widget_get_visible(window));
  EXPECT_EQ(web_location(), page("SelectUser.htm"));
  EXPECT_TRUE(messages_.texts.empty());
}

}  // namespace
}  // namespace kb::testing
