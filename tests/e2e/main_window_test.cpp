#include <gtk/gtkunixprint.h>

#include <fstream>

#include "e2e_fixture.h"
#include "platform/print_dialog.h"

// Last: Xlib defines macros (None, Bool) that clash with the names above.
#include <gdk/x11/gdkx.h>

namespace kb::testing {
namespace {

using MainWindow = E2ETest;

// The texts of every label in a widget tree, each followed by '|'.
std::string labels_in(GtkWidget* widget) {
  std::string texts =
      GTK_IS_LABEL(widget) ? gtk_label_get_text(GTK_LABEL(widget)) + std::string("|") : "";
  if (GTK_IS_INSCRIPTION(widget) && gtk_inscription_get_text(GTK_INSCRIPTION(widget)))
    texts += gtk_inscription_get_text(GTK_INSCRIPTION(widget)) + std::string("|");
  for (GtkWidget* child = gtk_widget_get_first_child(widget); child;
       child = gtk_widget_get_next_sibling(child))
    texts += labels_in(child);
  return texts;
}

// Designed: 6255 twips high, the bar 855, the content from 840 down, all inside the window.
void expect_designed_proportions(gtk::MainWindowGtk& window) {
  GtkWidget* client = gtk_window_get_child(window.window());
  const double width = gtk_widget_get_width(client);
  const double height = gtk_widget_get_height(client);
  graphene_rect_t bar{}, web{};
  ASSERT_TRUE(gtk_widget_compute_bounds(GTK_WIDGET(window.controls_view()), client, &bar));
  ASSERT_TRUE(gtk_widget_compute_bounds(GTK_WIDGET(window.web_view()), client, &web));
  const double web_bottom = web.origin.y + web.size.height;
  EXPECT_EQ(std::vector<double>(
                {bar.origin.x, bar.origin.y, bar.size.width, web.origin.x, web.size.width}),
            std::vector<double>({0, 0, width, 0, width}));
  EXPECT_NEAR(bar.size.height, height * 855 / 6255, 1.5);
  EXPECT_NEAR(web.origin.y, height * 840 / 6255, 1.5);
  EXPECT_LE(web.origin.y, bar.origin.y + bar.size.height);
  EXPECT_TRUE(web_bottom <= height && web_bottom >= height - 1) << web_bottom << " in " << height;
}

TEST_F(MainWindow, ThePrintDialogOffersRealPrintersOnlyAndPrintsOneCopy) {
  platform_->set_print_handler(gtk::print_with_dialog);
  visit_zoo("zoo");
  std::string labels;
  bool closed = false;
  // Read once the printers are listed (the press waits 600 ms), then cancelled.
  std::function<void()> read_and_cancel = [&] {
    GListModel* toplevels = gtk_window_get_toplevels();
    for (guint i = 0; i < g_list_model_get_n_items(toplevels); ++i) {
      g_autoptr(GObject) window = G_OBJECT(g_list_model_get_item(toplevels, i));
      if (!GTK_IS_PRINT_UNIX_DIALOG(window) || !gtk_widget_get_visible(GTK_WIDGET(window)))
        continue;
      labels += labels_in(GTK_WIDGET(window));
      G_GNUC_BEGIN_IGNORE_DEPRECATIONS
      gtk_dialog_response(GTK_DIALOG(window), GTK_RESPONSE_CANCEL);
      G_GNUC_END_IGNORE_DEPRECATIONS
    }
    closed = true;
  };
  after(milliseconds(3600), &read_and_cancel);
  press("btnPrint");
  ASSERT_TRUE(run_until([&] { return closed; }));
  EXPECT_NE(labels, "");
  EXPECT_EQ(labels.find("Print to File"), std::string::npos);
  EXPECT_EQ(labels.find("Output file"), std::string::npos);

  g_autoptr(GtkPrintSettings) settings = gtk_print_settings_new();
  gtk_print_settings_set_n_copies(settings, 5);
  gtk::limit_to_one_copy(settings);
  EXPECT_EQ(gtk_print_settings_get_n_copies(settings), 1);
}

// A call into the page a load replaces would fail ("undefined is not a function").
TEST_F(MainWindow, TheFirstPageIsUpAtTheTickTheViewsFitAndEveryScriptCallRunsInThePageAskedFor) {
  const std::string without_children = read_config();  // as shipped
  write_config(two_children_config());
  app_->Main();
  ASSERT_TRUE(run_until([&] {
    return app_->has_main_window() && web_location() == page("SelectUser.htm") &&
           title() == "Select a User to Begin";
  }));
  GtkWindow* window = gtk_window().window();
  EXPECT_FALSE(gtk_widget_get_visible(GTK_WIDGET(window)) || app_->state().start_done);
  app_->Timer1_Timer();
  EXPECT_TRUE(gtk_widget_get_visible(GTK_WIDGET(window)) && app_->state().start_done);
  EXPECT_EQ(web_location(), page("SelectUser.htm"));
  // An ordinary window keeps its frame.
  EXPECT_TRUE(gtk_window_get_decorated(window) && !gtk_window_is_fullscreen(window));
  expect_designed_proportions(gtk_window());
  GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window));
  Display* display = gdk_x11_display_get_xdisplay(gdk_surface_get_display(surface));
  // Resized from outside as a window manager does, after unmaximizing.
  for (const auto& [width, height] : {std::pair{1000, 600}, {500, 700}, {853, 611}}) {
    SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
    gtk_window_unmaximize(window);
    run_until([&] { return !gtk_window_is_maximized(window); }, milliseconds(1000));
    XResizeWindow(display, gdk_x11_surface_get_xid(surface), width, height);
    ASSERT_TRUE(run_until([&] {
      return gtk_widget_get_width(gtk_window_get_child(window)) == width &&
             gtk_widget_get_height(gtk_window_get_child(window)) == height;
    }));
    expect_designed_proportions(gtk_window());
  }
  gtk_window_maximize(window);
  run_until([&] { return gtk_window_is_maximized(window); }, milliseconds(2000));
  settle(milliseconds(200));
  expect_designed_proportions(gtk_window());

  // The window manager is told the smallest size.
  XSizeHints hints{};
  long supplied = 0;
  ASSERT_TRUE(XGetWMNormalHints(display, gdk_x11_surface_get_xid(surface), &hints, &supplied));
  EXPECT_EQ((gtk::PixelSize{hints.flags & PMinSize ? hints.min_width : -1, hints.min_height}),
            dynamic_cast<gtk::MainWindowForm&>(gtk_window().form()).minimum_client_size());

  // A whole session is full screen, also once choosing a child rebuilt the window.
  restart();
  platform_->set_whole_session(true);
  start();
  for (const std::string shown : {"SelectUser.htm", "UserStart.html"}) {
    ASSERT_TRUE(wait_for_web(page(shown)));
    EXPECT_TRUE(run_until([&] {
      return !gtk_window_get_decorated(gtk_window().window()) &&
             gtk_window_is_fullscreen(gtk_window().window());
    })) << shown;
    if (shown == "SelectUser.htm") choose_child("Mary");
  }

  for (const bool slow : {false, true}) {
    // A control bar whose functions come at once or after a busy script.
    std::ofstream(folder_ / "Data" / "KBControls.html", std::ios::binary)
        << "<!DOCTYPE html><div id='msg'></div><script>"
        << (slow ? "const until = Date.now() + 250; while (Date.now() < until) {}" : "")
        << "function WriteMsg(t) { document.getElementById('msg').textContent = t; }"
           "function LoadControls() { document.getElementById('msg').textContent = 'b'; }"
           "</script>";
    for (int run = 0; run < 8; ++run) {
      SCOPED_TRACE((slow ? "slow control bar, run " : "instant control bar, run ") +
                   std::to_string(run));
      restart();
      const bool welcome = run % 2 == 0;  // the welcome page reloads the bar again
      write_config(welcome ? without_children : two_children_config());
      start();
      ASSERT_TRUE(wait_for_web(page(welcome ? "SWelcome.html" : "SelectUser.htm")));
      EXPECT_TRUE(run_until([&] {
        return controls_js("document.getElementById('msg').textContent") ==
               (welcome ? "Kitebrook Configuration" : "Select a User to Begin");
      }));
      ASSERT_TRUE(messages_.texts.empty()) << messages_.texts.front();
    }
    // A load is pending from its request: a call after a second request that
    // replaced the first (or a blank page) before it started runs in the page.
    Kitebrook::HandlerScope scope(*app_);
    BrowserControl& bar = app_->main_window().view().brwControls();
    for (const int gap : {0, 0, 5, 20, 60, 150}) {
      for (const std::string& first : {page("KBControls.html"), std::string("about:blank")}) {
        bar.navigate(first);
        settle(milliseconds(gap));
        bar.navigate(page("KBControls.html"));
        EXPECT_EQ(bar.run_script("typeof WriteMsg"), "function")
            << (slow ? "slow" : "instant") << ", after " << first << " and " << gap << " ms";
      }
    }
  }
}

// Records every navigation of the content area and lets it go ahead.
class RecordingEvents : public MainWindowEvents {
 public:
  void Form_Resize() override {}
  bool web_BeforeNavigate2(const NavigationRequest& request) override {
    web.push_back(request);
    return false;
  }
  bool brwControls_BeforeNavigate2(const NavigationRequest&) override { return false; }
  bool wbbrwnewhidden_BeforeNavigate2(const NavigationRequest&) override { return false; }
  void web_NavigateComplete2(const std::string&) override {}
  void web_CommandStateChange(NavigationCommand, bool) override {}
  void wbbrwnewhidden_DocumentComplete() override {}
  bool web_PrintRequested() override { return false; }
  void Form_QueryUnload() override {}

  std::vector<NavigationRequest> web;
};

TEST(NavigationFacts, EachNavigationSaysWhoStartedIt) {
  kbtest::TempFolder temp("kb_facts");
  gtk::initialize_toolkit(temp.path());
  const std::string host = (temp.path() / "host.html").string();
  kbtest::write_file(host, "host");
  TestSite site;
  site.add_page("/a.html", "a");
  site.add_redirect("/hop", "vbcontainer:HOPPED()");
  RecordingEvents events;
  gtk::MainWindowGtk window(events, [](WebKitWebView*) {});
  window.show();
  BrowserControl& web = window.web();
  // Waits for the content area's navigation to `url` and describes it.
  const auto navigation_to = [&](const std::string& url) {
    const char* const types[] = {"link", "form", "form again", "history", "reload", "other"};
    std::string facts = "no navigation to " + url;
    gtk::run_events_until(
        [&] {
          for (const NavigationRequest& r : events.web)
            if (r.url == url)
              facts = std::string(r.by_program ? "program " : "") +
                      (r.is_redirect ? "redirect " : "") +
                      (r.frame == NavigationFrame::Main ? "main " : "") +
                      types[static_cast<int>(r.type)] + " from '" + r.sender_document + "' over '" +
                      r.committed_document + "'";
          return facts.rfind("no navigation", 0) != 0;
        },
        milliseconds(10000));
    events.web.clear();
    return facts;
  };

  web.navigate(host);
  EXPECT_EQ(navigation_to(host), "program main other from '' over ''");
  web.run_script("0");
  // A server's redirect of a navigation the page started.
  web.run_script("location.href = '" + site.url("/hop") + "'; 0");
  EXPECT_EQ(navigation_to("vbcontainer:HOPPED()"),
            "redirect main other from '' over '" + host + "'");
  // A history step and a reload.
  web.navigate(site.url("/a.html"));
  navigation_to(site.url("/a.html"));
  web.run_script("0");
  ASSERT_TRUE(gtk::run_events_until([&] { return webkit_web_view_can_go_back(window.web_view()); },
                                    milliseconds(5000)));
  web.go_back();
  EXPECT_EQ(navigation_to(host), "history from '' over '" + site.url("/a.html") + "'");
  web.run_script("0");
  web.run_script("location.reload(); 0");
  EXPECT_EQ(navigation_to(host), "reload from '' over '" + host + "'");
}

}  // namespace
}  // namespace kb::testing
