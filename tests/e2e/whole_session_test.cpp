#include <gtest/gtest.h>

#include "e2e_fixture.h"
#include "platform/main_window_gtk.h"

namespace kb::testing {
namespace {

class WholeSession : public E2ETest {
 protected:
  GtkWindow* main_window() {
    return dynamic_cast<gtk::MainWindowGtk&>(app_->main_window().view()).window();
  }
  bool fills_the_screen() {
    return run_until([&] { return gtk_window_is_fullscreen(main_window()) != FALSE; },
                     std::chrono::seconds(5));
  }
};

TEST_F(WholeSession, TheWindowFillsTheScreenWithoutAFrameAndKeepsItWhenRebuilt) {
  write_config(two_children_config());
  platform_->set_whole_session(true);
  start();
  ASSERT_TRUE(wait_for_web(page("SelectUser.htm")));
  EXPECT_FALSE(gtk_window_get_decorated(main_window()));
  EXPECT_TRUE(fills_the_screen());
  // Choosing a child rebuilds the main window; the new one fills the screen too.
  ASSERT_TRUE(run_until([&] {
    return web_js("document.querySelector('.user-tile[data-user=\"Mary\"]') !== null") == "true";
  }));
  web_js("document.querySelector('.user-tile[data-user=\"Mary\"]').click(); 0");
  ASSERT_TRUE(wait_for_web(page("UserStart.html")));
  EXPECT_FALSE(gtk_window_get_decorated(main_window()));
  EXPECT_TRUE(fills_the_screen());
}

TEST_F(WholeSession, AnOrdinaryWindowKeepsItsFrame) {
  write_config(two_children_config());
  start();
  ASSERT_TRUE(wait_for_web(page("SelectUser.htm")));
  EXPECT_TRUE(gtk_window_get_decorated(main_window()));
  EXPECT_FALSE(gtk_window_is_fullscreen(main_window()));
}

}  // namespace
}  // namespace kb::testing
