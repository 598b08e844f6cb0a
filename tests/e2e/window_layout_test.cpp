#include <gtest/gtest.h>

#include <cmath>

#include "e2e_fixture.h"

// Last: Xlib defines macros (None, Bool) that clash with the names above.
#include <gdk/x11/gdkx.h>

namespace kb::testing {
namespace {

class WindowLayout : public E2ETest {
 protected:
  gtk::MainWindowGtk& window() { return gtk_window(); }
  GtkWidget* client_area() { return gtk_window_get_child(window().window()); }

  // Resizes the window as a window manager does, from outside, and waits
  // until it is laid out at the new size.
  bool resize_to(int width, int height) {
    // A window manager first takes the window out of its maximized state;
    // without one, the state is only the window's own idea.
    gtk_window_unmaximize(window().window());
    run_until([&] { return !gtk_window_is_maximized(window().window()); }, std::chrono::seconds(1));
    GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window().window()));
    XResizeWindow(gdk_x11_display_get_xdisplay(gdk_surface_get_display(surface)),
                  gdk_x11_surface_get_xid(surface), width, height);
    return run_until([&] {
      return gtk_widget_get_width(client_area()) == width &&
             gtk_widget_get_height(client_area()) == height;
    });
  }

  // Where a widget stands in the client area, in pixels.
  graphene_rect_t bounds(GtkWidget* widget) {
    graphene_rect_t rect{};
    EXPECT_TRUE(gtk_widget_compute_bounds(widget, client_area(), &rect));
    return rect;
  }

  // The control bar on top across the full width, the content area filling
  // the rest, both in the designed proportions (6255 twips high, the bar 855
  // of them, the content area from 840 to the bottom); a pixel of rounding
  // either way.
  void expect_designed_proportions() {
    const double width = gtk_widget_get_width(client_area());
    const double height = gtk_widget_get_height(client_area());
    const graphene_rect_t bar = bounds(GTK_WIDGET(window().controls_view()));
    const graphene_rect_t web = bounds(GTK_WIDGET(window().web_view()));
    EXPECT_EQ(bar.origin.x, 0);
    EXPECT_EQ(bar.origin.y, 0);
    EXPECT_EQ(bar.size.width, width);
    EXPECT_NEAR(bar.size.height, height * 855 / 6255, 1.5);
    EXPECT_EQ(web.origin.x, 0);
    EXPECT_EQ(web.size.width, width);
    EXPECT_NEAR(web.origin.y, height * 840 / 6255, 1.5);
    EXPECT_LE(web.origin.y, bar.origin.y + bar.size.height);
    EXPECT_NEAR(web.origin.y + web.size.height, height, 1);
    // Every view lies inside the window, its right edge (the scrollbar) and
    // its bottom included.
    for (GtkWidget* view :
         {GTK_WIDGET(window().controls_view()), GTK_WIDGET(window().web_view())}) {
      const graphene_rect_t r = bounds(view);
      EXPECT_GE(r.origin.x, 0);
      EXPECT_GE(r.origin.y, 0);
      EXPECT_LE(r.origin.x + r.size.width, width);
      EXPECT_LE(r.origin.y + r.size.height, height);
    }

    // The layout placed them: its values are whole twips, scaled from the
    // design recorded at load to the client area (the form's height less
    // the caption it allows for).
    ElasticForm& form = window().form();
    const double client_twips = form.height() - 400;
    const auto bar_height = form.property(0, "Height");
    ASSERT_TRUE(bar_height.has_value());
    EXPECT_EQ(*bar_height, std::floor(*bar_height));
    EXPECT_NEAR(*bar_height, 855 * client_twips / 6255, 1);
  }
};

TEST_F(WindowLayout, ControlsKeepTheirDesignedProportionsAsTheWindowResizes) {
  write_config(two_children_config());
  start();
  ASSERT_TRUE(wait_for_web(page("SelectUser.htm")));
  // An ordinary window keeps its frame.
  EXPECT_TRUE(gtk_window_get_decorated(window().window()));
  EXPECT_FALSE(gtk_window_is_fullscreen(window().window()));
  expect_designed_proportions();

  ASSERT_TRUE(resize_to(1000, 600));
  expect_designed_proportions();

  ASSERT_TRUE(resize_to(500, 700));
  expect_designed_proportions();

  ASSERT_TRUE(resize_to(853, 611));
  expect_designed_proportions();

  // Maximized again: the views follow the window whatever size it takes.
  gtk_window_maximize(window().window());
  run_until([&] { return gtk_window_is_maximized(window().window()); }, std::chrono::seconds(2));
  settle(std::chrono::milliseconds(200));
  expect_designed_proportions();

  // The window manager is told the smallest size: half the designed client
  // area.
  GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window().window()));
  XSizeHints hints{};
  long supplied = 0;
  ASSERT_TRUE(XGetWMNormalHints(gdk_x11_display_get_xdisplay(gdk_surface_get_display(surface)),
                                gdk_x11_surface_get_xid(surface), &hints, &supplied));
  const gtk::PixelSize minimum =
      dynamic_cast<gtk::MainWindowForm&>(window().form()).minimum_client_size();
  EXPECT_TRUE(hints.flags & PMinSize);
  EXPECT_EQ(hints.min_width, minimum.width);
  EXPECT_EQ(hints.min_height, minimum.height);
}

TEST_F(WindowLayout, AWholeSessionFillsTheScreenWithoutAFrameAlsoWhenTheWindowIsRebuilt) {
  write_config(two_children_config());
  platform_->set_whole_session(true);
  start();
  for (const std::string shown : {"SelectUser.htm", "UserStart.html"}) {
    ASSERT_TRUE(wait_for_web(page(shown)));
    EXPECT_FALSE(gtk_window_get_decorated(window().window())) << shown;
    EXPECT_TRUE(run_until([&] { return gtk_window_is_fullscreen(window().window()) != FALSE; },
                          std::chrono::seconds(5)))
        << shown;
    // Choosing a child rebuilds the main window.
    if (shown == "SelectUser.htm") choose_child("Mary");
  }
}

}  // namespace
}  // namespace kb::testing
