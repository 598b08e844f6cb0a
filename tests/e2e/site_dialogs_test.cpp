#include <gtest/gtest.h>

#include <csignal>

#include "e2e_fixture.h"
#include "platform/main_loop.h"

// Last: Xlib defines macros (None, Bool) that clash with the names above.
#include <gdk/x11/gdkx.h>

namespace kb::testing {
namespace {

// Counts the program's open message boxes; answers each with OK if `answer`.
int message_boxes(bool answer = false) {
  GListModel* toplevels = gtk_window_get_toplevels();
  int count = 0;
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  for (guint i = 0; i < g_list_model_get_n_items(toplevels); ++i) {
    g_autoptr(GObject) window = G_OBJECT(g_list_model_get_item(toplevels, i));
    if (!GTK_IS_MESSAGE_DIALOG(window)) continue;
    if (gtk_widget_get_visible(GTK_WIDGET(window))) ++count;
    if (answer) gtk_dialog_response(GTK_DIALOG(window), GTK_RESPONSE_OK);
  }
  G_GNUC_END_IGNORE_DEPRECATIONS
  return count;
}

int toplevel_count() {
  return static_cast<int>(g_list_model_get_n_items(gtk_window_get_toplevels()));
}

// What a site may ask of the window around it: a file chooser, windows of
// its own, message after message, the full screen, a drop.
class SiteDialogs : public E2ETest {
 protected:
  bool buttons_shown() {
    return controls_js("document.getElementById('controls').hidden") == "false" &&
           button_shown("btnHome");
  }
};

TEST_F(SiteDialogs, FileChoosersFullScreenAndWindowsWithoutAPageLeaveEverythingAsItWas) {
  visit_zoo(
      "<html><body><input type='file' id='f'><script>var cancelled = 0; "
      "document.getElementById('f').addEventListener('cancel', function () { cancelled++; });"
      "</script></body></html>");
  ASSERT_TRUE(run_until([&] { return buttons_shown(); }));
  // A file chooser is cancelled before anything shows.
  const int windows = toplevel_count();
  click("f");
  EXPECT_TRUE(run_until([&] { return web_js("cancelled") == "1"; }));
  settle(std::chrono::milliseconds(500));
  EXPECT_EQ(toplevel_count(), windows);
  EXPECT_EQ(prop("f", "files.length"), "0");

  // The page cannot go full screen over the buttons.
  web_js(
      "(function (e) { var ask = e.requestFullscreen || e.webkitRequestFullscreen; "
      "if (ask) { var p = ask.call(e); if (p && p.catch) p.catch(function () {}); } })"
      "(document.documentElement); 0");
  settle(std::chrono::milliseconds(1000));
  EXPECT_EQ(web_js("!document.fullscreenElement && !document.webkitFullscreenElement"), "true");
  EXPECT_FALSE(gtk_window_is_fullscreen(gtk_window().window()));
  EXPECT_TRUE(buttons_shown());

  for (const std::string target :
       {"data:text/html,x", "about:blank", "", "http://127.0.0.1:1/refused"}) {
    web_js("window.open('" + target + "'); 0");
    settle(std::chrono::milliseconds(1500));
    EXPECT_EQ(web_location(), site_->url("/zoo.html")) << target;
    EXPECT_TRUE(buttons_shown()) << target;
  }
  // A window with a real page shows in the content area.
  site_->add_page("/popup.html", "<html><body>popup</body></html>");
  web_js("window.open('/popup.html'); 0");
  EXPECT_TRUE(wait_for_web(site_->url("/popup.html")));
  EXPECT_TRUE(buttons_shown());
}

TEST_F(SiteDialogs, APageAskingToPrintAgainAndAgainGetsOneMessage) {
  platform_->set_message_box(nullptr);  // the real message box
  visit_zoo("<html><body>zoo</body></html>", "Yes", "0");
  int open_while_flooding = -1;
  int second_show_returned = 0;
  web_js("setInterval(function () { window.print(); }, 100); 0");
  // The box is modal: what the test does while it is open runs from timers.
  struct Probe {
    int* open;
    int* second;
    gtk::GtkPlatform* platform;
  } probe{&open_while_flooding, &second_show_returned, platform_.get()};
  g_timeout_add(
      2000,
      +[](gpointer data) -> gboolean {
        auto* p = static_cast<Probe*>(data);
        *p->open = message_boxes();
        // Another message asked for meanwhile is refused without a box.
        p->platform->message_box().show("a second message");
        ++*p->second;
        message_boxes(true);
        return G_SOURCE_REMOVE;
      },
      &probe);
  ASSERT_TRUE(run_until([&] { return second_show_returned == 1; }));
  EXPECT_EQ(open_while_flooding, 1);
  // The page keeps asking; no box comes back and the buttons answer.
  settle(std::chrono::milliseconds(1500));
  EXPECT_EQ(message_boxes(true), 0);
  press("btnHome");
  EXPECT_TRUE(wait_for_web(page("UserStart.html")));
  EXPECT_TRUE(printed_.empty());
}

TEST_F(SiteDialogs, ClosingWithoutTheExitPasswordAndTheSessionsEndLeaveAtOnce) {
  visit_zoo("<html><body>zoo</body></html>", "No");
  gtk_window_close(gtk_window().window());
  EXPECT_TRUE(run_until([&] { return ended_; }));
  ended_ = false;
  // The end of the desktop session leaves without the password.
  restart();
  write_config(two_children_config("Yes"));
  start();
  ASSERT_TRUE(wait_for_web(page("SelectUser.htm")));
  std::raise(SIGTERM);
  EXPECT_TRUE(run_until([&] { return ended_; }));
}

TEST_F(SiteDialogs, GuessingThePasswordSoonMeansWaiting) {
  visit_zoo("<html><body>zoo</body></html>");
  press("btnParent");
  for (std::size_t i = 1; i <= 5; ++i) {
    ASSERT_TRUE(wait_for_web(page("password.htm")));
    fill("pwd", "guess");
    click("ok");
    ASSERT_TRUE(run_until([&] { return messages_.texts.size() == i; }));
  }
  ASSERT_TRUE(wait_for_web(page("password.htm")));
  EXPECT_TRUE(run_until([&] {
    return prop("pwd-error", "textContent").find("Too many tries") != std::string::npos;
  }));
  // The right password waits too, and no more messages come.
  fill("pwd", "secret");
  click("ok");
  settle(std::chrono::milliseconds(800));
  EXPECT_EQ(web_location(), page("password.htm"));
  EXPECT_EQ(messages_.texts.size(), 5u);
}

// Drags `uri_list` from a little window of the test's own onto the content
// area with the real pointer (the X server's test extension, driven by
// xdotool), as a child drags a file from its file manager or a link from
// another window. Answers whether the drag really started.
bool drag_onto_content(gtk::MainWindowGtk& main_window, const std::string& uri_list) {
  GtkWidget* window = gtk_window_new();
  gtk_window_set_title(GTK_WINDOW(window), "drag source");
  GtkWidget* handle = gtk_label_new("drag me");
  gtk_widget_set_size_request(handle, 160, 160);
  gtk_window_set_child(GTK_WINDOW(window), handle);
  GtkDragSource* source = gtk_drag_source_new();
  g_autoptr(GBytes) bytes = g_bytes_new(uri_list.data(), uri_list.size());
  g_autoptr(GdkContentProvider) content =
      gdk_content_provider_new_for_bytes("text/uri-list", bytes);
  gtk_drag_source_set_content(source, content);
  gtk_drag_source_set_actions(source, GDK_ACTION_COPY);
  bool began = false;
  g_signal_connect(source, "drag-begin", G_CALLBACK(+[](GtkDragSource*, GdkDrag*, gpointer began) {
                     *static_cast<bool*>(began) = true;
                   }),
                   &began);
  gtk_widget_add_controller(handle, GTK_EVENT_CONTROLLER(source));
  gtk_window_present(GTK_WINDOW(window));
  gtk::run_events_until([&] { return gtk_widget_get_mapped(window); }, std::chrono::seconds(5));
  gtk::run_events_until([] { return false; }, std::chrono::milliseconds(300));

  const auto xid = [](GtkWidget* toplevel) {
    return std::to_string(gdk_x11_surface_get_xid(gtk_native_get_surface(GTK_NATIVE(toplevel))));
  };
  graphene_rect_t target{};
  GtkWidget* main_toplevel = GTK_WIDGET(main_window.window());
  EXPECT_TRUE(
      gtk_widget_compute_bounds(GTK_WIDGET(main_window.web_view()), main_toplevel, &target));
  const int x = static_cast<int>(target.origin.x + target.size.width / 2);
  const int y = static_cast<int>(target.origin.y + target.size.height / 2);
  // Press on the handle, move past the drag threshold in small steps as a
  // hand does, cross into the content area, rest there and let go.
  std::vector<std::string> args = {"xdotool", "mousemove", "--window", xid(window), "80",
                                   "80",      "mousedown", "1",        "sleep",     "0.3"};
  const auto move = [&](GtkWidget* over, int to_x, int to_y, const char* pause) {
    args.insert(args.end(), {"mousemove", "--window", xid(over), std::to_string(to_x),
                             std::to_string(to_y), "sleep", pause});
  };
  for (int step = 1; step <= 4; ++step) move(window, 80 + 10 * step, 80 + 10 * step, "0.1");
  for (int step = 0; step <= 6; ++step) move(main_toplevel, x + 7 * step, y + 5 * step, "0.15");
  args.insert(args.end(), {"sleep", "0.5", "mouseup", "1", "sleep", "0.3"});
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  argv.push_back(nullptr);
  g_autoptr(GSubprocess) xdotool = g_subprocess_newv(argv.data(), G_SUBPROCESS_FLAGS_NONE, nullptr);
  EXPECT_NE(xdotool, nullptr);
  // The process is reaped on GLib's own worker, which forgets its identifier.
  gtk::run_events_until([&] { return !xdotool || !g_subprocess_get_identifier(xdotool); },
                        std::chrono::seconds(15));
  gtk::run_events_until([] { return false; }, std::chrono::milliseconds(500));
  gtk_window_destroy(GTK_WINDOW(window));
  return began;
}

// A file or a link dropped on the content area neither reaches the page nor
// opens (the page lets the engine's own handling of the drop go ahead): a
// site never receives the child's files by a drop.
TEST_F(SiteDialogs, FilesAndLinksDroppedOnTheWindowDoNothing) {
  visit_zoo(
      "<html><body style='height: 2000px'>Zoo<script>"
      "window.drops = 0;"
      "document.addEventListener('dragover', function (e) { e.preventDefault(); });"
      "document.addEventListener('drop', function () { window.drops++; });"
      "</script></body></html>");
  g_autofree char* config_uri = g_filename_to_uri(folders_.config_file().c_str(), nullptr, nullptr);
  for (const std::string& dropped : {std::string(config_uri), site_->url("/elsewhere.html")}) {
    ASSERT_TRUE(drag_onto_content(gtk_window(), dropped + "\r\n")) << dropped;
    settle(std::chrono::milliseconds(1000));
    EXPECT_EQ(web_location(), site_->url("/zoo.html")) << dropped;
    EXPECT_EQ(web_js("String(window.drops)"), "0") << dropped;
  }
}

}  // namespace
}  // namespace kb::testing
