#include "e2e_fixture.h"
#include "visits/local_days.h"

// Last: Xlib defines macros (None, Bool) that clash with the names above.
#include <gdk/x11/gdkx.h>

namespace kb::testing {
namespace {

constexpr const char* kTakeOver = "vbcontainer:UPDATESETTINGS(0,1,0,999)";
constexpr const char* kNewPassword = "vbcontainer:UPDATEPWD(hacked)";

using HostileSite = E2ETest;

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

// Drags `uri_list` from a window of the test's own onto the content area with
// the real pointer (xdotool); answers whether the drag really started.
bool drag_onto_content(GtkWidget* main_window, const std::string& uri_list) {
  GtkWidget* window = gtk_window_new();
  gtk_window_set_default_size(GTK_WINDOW(window), 160, 160);
  GtkDragSource* source = gtk_drag_source_new();
  g_autoptr(GBytes) bytes = g_bytes_new(uri_list.data(), uri_list.size());
  g_autoptr(GdkContentProvider) content =
      gdk_content_provider_new_for_bytes("text/uri-list", bytes);
  gtk_drag_source_set_content(source, content);
  bool began = false;
  g_signal_connect(source, "drag-begin", G_CALLBACK(+[](GtkDragSource*, GdkDrag*, gpointer began) {
                     *static_cast<bool*>(began) = true;
                   }),
                   &began);
  gtk_widget_add_controller(window, GTK_EVENT_CONTROLLER(source));
  gtk_window_present(GTK_WINDOW(window));
  gtk::run_events_until([&] { return gtk_widget_get_mapped(window); }, std::chrono::seconds(5));
  gtk::run_events_until([] { return false; }, milliseconds(300));
  const auto at = [](GtkWidget* toplevel, int x, int y) {
    return " mousemove --window " +
           std::to_string(gdk_x11_surface_get_xid(gtk_native_get_surface(GTK_NATIVE(toplevel)))) +
           " " + std::to_string(x) + " " + std::to_string(y);
  };
  // Small steps past the drag threshold as a hand does, then on over the
  // content area (below the bar), rest and let go.
  std::string script = "xdotool" + at(window, 80, 80) + " mousedown 1 sleep 0.3";
  for (int step = 0; step < 4; ++step) script += " mousemove_relative 10 10 sleep 0.1";
  script += at(main_window, gtk_widget_get_width(main_window) / 2,
               gtk_widget_get_height(main_window) * 2 / 3);
  for (int step = 0; step < 7; ++step) script += " sleep 0.15 mousemove_relative 7 5";
  script += " sleep 0.5 mouseup 1 sleep 0.3";
  g_autoptr(GSubprocess) xdotool =
      g_subprocess_new(G_SUBPROCESS_FLAGS_NONE, nullptr, "sh", "-c", script.c_str(), nullptr);
  EXPECT_NE(xdotool, nullptr);
  // The process is reaped on GLib's own worker, which forgets its identifier.
  gtk::run_events_until([&] { return !xdotool || !g_subprocess_get_identifier(xdotool); },
                        std::chrono::seconds(15));
  gtk::run_events_until([] { return false; }, milliseconds(500));
  gtk_window_destroy(GTK_WINDOW(window));
  return began;
}

// Redirects, a history step, the site's own page and its windows.
TEST_F(HostileSite, NothingTheSiteSendsRunsACommand) {
  site_.add_redirect("/go", kNewPassword);
  site_.add_redirect("/hop1", site_.url("/hop2"), 301);
  site_.add_redirect("/hop2", kTakeOver, 307);
  site_.add_page("/refresh", "wait", {{"Refresh", std::string("0; url=") + kNewPassword}});
  site_.add_page("/meta",
                 std::string("<meta http-equiv='refresh' content='0; url=") + kTakeOver + "'>wait");
  site_.add_page("/flip", "flip", {{"Cache-Control", "no-store"}});
  // The opened window keeps trying to send its opener to a command.
  site_.add_page("/opener.html", "<script>window.open('/popup.html');</script>");
  site_.add_page("/popup.html", std::string("<script>setInterval(function () { try { "
                                            "window.opener.location = '") +
                                    kNewPassword + "'; } catch (e) {} }, 50);</script>");
  const std::string config = two_children_config("No");
  visit_zoo("zoo", config);
  // As for a page the engine cannot keep: going back asks the site again.
  webkit_settings_set_enable_page_cache(webkit_web_view_get_settings(gtk_window().web_view()),
                                        FALSE);
  // Points a tile of the start page at `path` on the site and follows it.
  const auto follow_tile_to = [&](const std::string& path) {
    if (web_location() != page("UserStart.html")) press("btnHome");
    ASSERT_TRUE(start_page_shows("1,2"));
    web_js("var t = document.querySelector('.site-tile'); t.href = '" + site_.url(path) +
           "'; t.click(); 0");
    ASSERT_TRUE(run_until([&] { return site_.requests(path) > 0; }))
        << path << " not asked for; the content shows " << web_location();
  };
  const auto expect_nothing_ran = [&](const std::string& how) {
    settle(milliseconds(1500));
    EXPECT_EQ(read_config() + (ended_ ? "|ended" : ""), config) << how;
  };

  for (const std::string path : {"/go", "/hop1", "/refresh", "/meta"}) {
    follow_tile_to(path);
    expect_nothing_ran(path);
  }
  EXPECT_EQ(site_.requests("/hop2"), 1);

  // The site's own page can neither read the configuration nor command, nor
  // redirect to a command when the child steps back to it from the start page.
  follow_tile_to("/flip");
  ASSERT_TRUE(wait_for_web(site_.url("/flip")));
  EXPECT_EQ(page_reads("kitebrook://config/KBConfig.xml"), "refused");
  go(kNewPassword);
  go("vbcontainer:GO_EXIT()");
  expect_nothing_ran("the site's page");
  EXPECT_EQ(web_location(), site_.url("/flip"));
  press("btnHome");
  ASSERT_TRUE(wait_for_web(page("UserStart.html")));
  site_.add_redirect("/flip", kNewPassword);
  press("btnBack");
  ASSERT_TRUE(run_until([&] { return site_.requests("/flip") > 1; }));
  expect_nothing_ran("a history step");

  // The window keeps trying once the child has gone home to a host page.
  follow_tile_to("/opener.html");
  ASSERT_TRUE(run_until([&] { return site_.requests("/popup.html") > 0; }));
  press("btnHome");
  ASSERT_TRUE(wait_for_web(page("UserStart.html")));
  expect_nothing_ran("an opened window");
}

// localhost plays an unlisted site: refused before it is asked, until the parent allows it.
TEST_F(HostileSite, EveryWayToAnUnlistedHostEndsBeforeItIsAskedUntilTheParentAllowsIt) {
  const std::string away = site_.url("/away.html", "localhost");
  site_.add_page("/away.html", "away");
  site_.add_redirect("/hop", away);
  site_.add_page("/refresh.html", "<meta http-equiv='refresh' content='0;url=" + away + "'>");
  site_.add_page("/frame.html", "<iframe src='" + away + "'></iframe>");
  std::string config = two_children_config();
  config.replace(config.find("</Settings>"), 0, "<StayOnSites>Yes</StayOnSites>");
  visit_zoo("<a id='out' href='" + away + "'>out</a><form id='f' method='post' action='" + away +
                "'><input name='q'></form>",
            config);
  const auto from_zoo = [&](const std::string& script) {
    go(site_.url("/zoo.html"));
    ASSERT_TRUE(wait_for_web(site_.url("/zoo.html")));
    web_js(script + "; 0");
  };
  const auto refused = [&](const std::string& how) {
    EXPECT_TRUE(wait_for_web(page("NotOnList.html")) &&
                prop_becomes("refused-host", "textContent", "localhost"))
        << how;
  };
  const auto approve = [&](const std::string& choice_id) {
    click("ask");
    enter_password("secret");
    ASSERT_TRUE(wait_for_web(page("Approve.html")));
    ASSERT_TRUE(prop_becomes("approve-address", "textContent", away));
    click(choice_id);
  };
  // Each opening asks the site once: every refusal before it asked nothing.
  const auto opened = [&](int away_requests) {
    ASSERT_TRUE(wait_for_web(away));
    EXPECT_EQ(site_.requests("/away.html"), away_requests);
  };
  const std::string link = "document.getElementById('out').click()";

  const std::pair<const char*, std::string> ways_from_the_zoo[] = {
      {"a link", link},
      {"a server's redirect", "location.href = '/hop'"},
      {"a refresh in the page", "location.href = '/refresh.html'"},
      {"a window the page opens", "window.open('" + away + "')"},
      {"a form sent there", "document.getElementById('f').submit()"},
  };
  for (const auto& [how, script] : ways_from_the_zoo) {
    from_zoo(script);
    refused(how);
  }
  // "Go back" returns to the page before the refusal.
  click("go-back");
  EXPECT_TRUE(wait_for_web(site_.url("/zoo.html")));
  // A frame stays empty and the page around it stays.
  go(site_.url("/frame.html"));
  ASSERT_TRUE(wait_for_web(site_.url("/frame.html")));
  settle(milliseconds(500));
  EXPECT_EQ(web_location(), site_.url("/frame.html"));

  // Once: Home ends the visit.
  from_zoo(link);
  approve("allow-once");
  opened(1);
  press("btnHome");
  ASSERT_TRUE(wait_for_web(page("UserStart.html")));
  from_zoo(link);
  refused("after the visit allowed once");
  // For today: until midnight, also across a restart.
  approve("allow-today");
  opened(2);
  restart();
  start();
  choose_child("Mary");
  ASSERT_TRUE(start_page_shows("1,2"));
  from_zoo(link);
  opened(3);
  clock_.offset = visits::next_local_midnight(std::time(nullptr)) - std::time(nullptr) + 1;
  from_zoo(link);
  refused("the next day");
  // Always: kept in the child's settings.
  approve("allow-always");
  opened(4);
  EXPECT_TRUE(config_has("<ID>2</ID>\n      <ApprovedHosts>\n        <Host>localhost</Host>"));

  // The visit log of the day shows the refused host first; the parent takes the
  // approval back and gives it again there. The zoo last: a tie in seconds
  // orders the opened hosts by name.
  go(site_.url("/zoo.html"));
  ASSERT_TRUE(wait_for_web(site_.url("/zoo.html")));
  open_parents_pages("secret");
  ASSERT_TRUE(has_element("visit-log-link"));
  click("visit-log-link");
  ASSERT_TRUE(wait_for_web(page("VisitLog.htm")));
  const std::string log =
      "[document.getElementById('visit-child').selectedOptions[0].textContent].concat("
      "Array.from(document.querySelectorAll('.visit-row'), r => r.dataset.host + ':' + "
      "r.cells[1].textContent + ':' + r.cells[4].textContent), Array.from("
      "document.querySelectorAll('.approved-row'), r => r.dataset.host)).join('|')";
  const auto log_shows = [&](bool approved) {
    const std::string expected =
        std::string("Mary|localhost:Kept closed:") + (approved ? "Allowed now" : "Always allow") +
        "|127.0.0.1:Opened:|localhost:Opened:" + (approved ? "|localhost" : "");
    ASSERT_TRUE(web_becomes(log, expected)) << web_js(log);
  };
  log_shows(true);
  web_js("document.querySelector('.withdraw').click(); 0");
  log_shows(false);
  web_js("document.querySelector('.always-allow').click(); 0");
  log_shows(true);
  fill({{"visit-child", "3"}});  // Chris has no visits
  EXPECT_TRUE(web_becomes(log, "Chris"));
  EXPECT_TRUE(messages_.texts.empty());
}

TEST_F(HostileSite, PrintCallsFileChoosersFullScreenWindowsAndDropsLeaveEverythingAsItWas) {
  visit_zoo(
      "<body style='height: 2000px'><input type='file' id='f'><script>"
      "var cancelled = 0, drops = 0;"
      "document.getElementById('f').addEventListener('cancel', function () { cancelled++; });"
      "document.addEventListener('dragover', function (e) { e.preventDefault(); });"
      "document.addEventListener('drop', function () { drops++; });</script></body>");
  // Print calls are counted and refused at the limit, with a message each.
  press("btnPrint");
  press("btnPrint");
  web_js("window.print(); 0");
  ASSERT_TRUE(run_until([&] { return printed_.size() == 3; }));
  web_js("window.print(); 0");
  ASSERT_TRUE(messages_reach(1));
  press("btnPrint");
  ASSERT_TRUE(messages_reach(2));
  settle(milliseconds(300));
  EXPECT_EQ(printed_, std::vector<std::string>(3, site_.url("/zoo.html")));
  EXPECT_EQ(messages_.texts, std::vector<std::string>(2, "Mommy says no more printing!"));

  const auto buttons_shown = [&] {
    return controls_js("document.getElementById('controls').hidden") == "false" &&
           button_shown("btnHome");
  };
  ASSERT_TRUE(run_until(buttons_shown));
  // A file chooser is cancelled before anything shows.
  click("f");
  EXPECT_TRUE(web_becomes("cancelled", "1"));
  // Nor does the page go full screen over the bar.
  web_js("document.documentElement.requestFullscreen?.().catch(() => {}); 0");
  settle(milliseconds(1000));
  EXPECT_TRUE(web_js("!document.fullscreenElement") == "true" &&
              !gtk_window_is_fullscreen(gtk_window().window()) && buttons_shown());

  // A dropped file or link neither reaches the page nor opens.
  g_autofree char* config_uri = g_filename_to_uri(folders_.config_file().c_str(), nullptr, nullptr);
  for (const std::string& dropped : {std::string(config_uri), site_.url("/elsewhere.html")}) {
    ASSERT_TRUE(drag_onto_content(GTK_WIDGET(gtk_window().window()), dropped + "\r\n")) << dropped;
    settle(milliseconds(1000));
    EXPECT_EQ(web_location() + "|" + web_js("String(drops)"), site_.url("/zoo.html") + "|0")
        << dropped;
  }

  // Windows without a page leave the site and its buttons; one with a page
  // shows it in the content area.
  site_.add_page("/popup.html", "popup");
  for (const std::string target :
       {"data:text/html,x", "about:blank", "", "http://127.0.0.1:1/refused", "/popup.html"}) {
    web_js("window.open('" + target + "'); 0");
    settle(milliseconds(1500));
    const std::string shown = site_.url(target == "/popup.html" ? target : "/zoo.html");
    EXPECT_TRUE(wait_for_web(shown) && buttons_shown()) << target;
  }

  // A page shown afresh may ask to print again; now with the real message box.
  platform_->set_message_box(nullptr);
  go(site_.url("/zoo.html"));
  ASSERT_TRUE(wait_for_web(site_.url("/zoo.html")));
  bool probed = false;
  web_js("setInterval(function () { window.print(); }, 100); 0");
  std::function<void()> probe = [&] {
    EXPECT_EQ(message_boxes(), 1);
    platform_->message_box().show("a second message");  // refused: no box of its own
    message_boxes(true);
    probed = true;
  };
  after(milliseconds(2000), &probe);
  ASSERT_TRUE(run_until([&] { return probed; }));
  // The page keeps asking; no box comes back and the buttons answer.
  settle(milliseconds(1500));
  EXPECT_EQ(message_boxes(true), 0);
  press("btnHome");
  EXPECT_TRUE(wait_for_web(page("UserStart.html")));
  EXPECT_EQ(printed_.size(), 3u);
}

}  // namespace
}  // namespace kb::testing
