#include "e2e_fixture.h"

// Last: Xlib defines macros (None, Bool) that clash with the names above.
#include <gdk/x11/gdkx.h>

namespace kb::testing {
namespace {

const std::string kTakeOver = "vbcontainer:UPDATESETTINGS(0,1,0,999)";
const std::string kNewPassword = "vbcontainer:UPDATEPWD(hacked)";

using HostileSite = E2ETest;

G_GNUC_BEGIN_IGNORE_DEPRECATIONS
const GType kMessageBox = GTK_TYPE_MESSAGE_DIALOG;
G_GNUC_END_IGNORE_DEPRECATIONS

// The toolkit's failed checks and warnings, recorded while this lives.
struct ToolkitComplaints {
  ToolkitComplaints() {
    for (const char* domain : {"Gtk", "GLib-GObject"})
      handlers.emplace_back(domain, g_log_set_handler(domain, flags, record, this));
  }
  ~ToolkitComplaints() {
    for (const auto& [domain, id] : handlers) g_log_remove_handler(domain, id);
  }
  static void record(const char*, GLogLevelFlags, const char* text, gpointer self) {
    static_cast<ToolkitComplaints*>(self)->texts.push_back(text);
  }
  static constexpr auto flags = GLogLevelFlags(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING);
  std::vector<std::pair<const char*, guint>> handlers;
  std::vector<std::string> texts;
};

TEST_F(HostileSite, CommandsPrintCallsFileChoosersFullScreenWindowsAndDropsLeaveEverythingAsItWas) {
  site_.add_redirect("/go", kNewPassword);
  site_.add_redirect("/hop1", site_.url("/hop2"), 301);
  site_.add_redirect("/hop2", kTakeOver, 307);
  site_.add_page("/refresh", "wait", {{"Refresh", "0; url=" + kNewPassword}});
  site_.add_page("/meta", "<meta http-equiv='refresh' content='0; url=" + kTakeOver + "'>wait");
  site_.add_page("/flip", "flip", {{"Cache-Control", "no-store"}});
  // The opened window keeps trying to send its opener to a command.
  site_.add_page("/opener.html", "<script>window.open('/opened.html');</script>");
  site_.add_page("/opened.html", "<script>setInterval(() => opener.location = '" + kNewPassword +
                                     "', 50);</script>");
  site_.add_page("/window.html", "window");
  const std::string config = two_children_config("No");
  visit_zoo(
      "<body style='height: 2000px'><input type='file' id='f'><script>"
      "var cancelled = 0, drops = 0;"
      "document.getElementById('f').addEventListener('cancel', function () { cancelled++; });"
      "document.addEventListener('dragover', function (e) { e.preventDefault(); });"
      "document.addEventListener('drop', function () { drops++; });</script></body>",
      config);
  press("btnPrint");
  press("btnPrint");
  web_js("window.print(); 0");
  ASSERT_TRUE(run_until([&] { return printed_.size() == 3; }));
  web_js("window.print(); 0");
  press("btnPrint");
  ASSERT_TRUE(messages_reach(2));
  settle(milliseconds(300));
  EXPECT_EQ(printed_, std::vector<std::string>(3, site_.url("/zoo.html")));
  EXPECT_EQ(messages_.texts, std::vector<std::string>(2, "Mommy says no more printing!"));

  click("f");
  EXPECT_TRUE(web_becomes("cancelled", "1"));
  web_js("document.documentElement.requestFullscreen?.().catch(() => {}); 0");
  settle(milliseconds(1000));
  const auto buttons_shown = [&] {
    return controls_js("document.getElementById('btnHome').offsetParent !== null") == "true";
  };
  EXPECT_TRUE(web_js("!document.fullscreenElement") == "true" &&
              !gtk_window_is_fullscreen(gtk_window().window()) && buttons_shown());

  GtkWidget* main_window = GTK_WIDGET(gtk_window().window());
  const auto at = [](GtkWidget* toplevel, int x, int y) {
    return " mousemove --window " +
           std::to_string(gdk_x11_surface_get_xid(gtk_native_get_surface(GTK_NATIVE(toplevel)))) +
           " " + std::to_string(x) + " " + std::to_string(y);
  };
  const std::string over_page = at(main_window, gtk_widget_get_width(main_window) / 2,
                                   gtk_widget_get_height(main_window) * 2 / 3);
  g_autofree char* config_uri = g_filename_to_uri(folders_.config_file().c_str(), nullptr, nullptr);
  for (const std::string& dropped : {std::string(config_uri), site_.url("/elsewhere.html")}) {
    GtkWidget* window = gtk_window_new();
    gtk_window_set_default_size(GTK_WINDOW(window), 160, 160);
    GtkDragSource* source = gtk_drag_source_new();
    g_autoptr(GBytes) bytes = g_bytes_new((dropped + "\r\n").c_str(), dropped.size() + 2);
    g_autoptr(GdkContentProvider) content =
        gdk_content_provider_new_for_bytes("text/uri-list", bytes);
    gtk_drag_source_set_content(source, content);
    gtk_widget_add_controller(window, GTK_EVENT_CONTROLLER(source));
    gtk_window_present(GTK_WINDOW(window));
    ASSERT_TRUE(run_until([&] { return gtk_widget_get_mapped(window); }));
    settle(milliseconds(300));
    // With the real pointer: small steps as a hand does, over the content area, rest, let go.
    std::string script = at(window, 80, 80) + " mousedown 1 sleep 0.3";
    for (int step = 0; step < 4; ++step) script += " mousemove_relative 10 10 sleep 0.1";
    script += over_page;
    for (int step = 0; step < 7; ++step) script += " sleep 0.15 mousemove_relative 7 5";
    script += " sleep 0.5 mouseup 1 sleep 0.3";
    bool dragged = false;
    ASSERT_TRUE(xdotool(script, [&] { dragged = dragged || gtk_drag_source_get_drag(source); }));
    settle(milliseconds(1500));
    gtk_window_destroy(GTK_WINDOW(window));
    EXPECT_EQ(web_location() + "|" + web_js("String(drops)") + (dragged ? "" : "|no drag"),
              site_.url("/zoo.html") + "|0")
        << dropped;
  }

  // On a real click: pointer, questions and place refused; a page that then hangs lets go.
  site_.add_page("/hold.html",
                 "<script>var locked = 0, answers = [];"
                 "onpointerlockchange = () => locked++; onbeforeunload = e => e.preventDefault();"
                 "onclick = () => { document.documentElement.requestPointerLock();"
                 "answers.push(confirm('?'), prompt('?'));"
                 "navigator.geolocation.getCurrentPosition(() => {}, () => answers.push('no')); }"
                 "</script><body style='height: 2000px'>");
  go_and_wait(site_.url("/hold.html"));
  ASSERT_TRUE(xdotool(over_page + " click 1"));
  EXPECT_TRUE(web_becomes("answers.join()", "false,,no"));
  EXPECT_EQ(web_js("locked"), "0");
  for (const auto& [button, hold] :
       {std::pair{"btnHome", "alert('!')"}, {"btnBack", "w.alert('!')"}, {"btnHome", ""}}) {
    go_and_wait(site_.url("/hold.html"));
    web_js(std::string("var w = open(); setTimeout(() => { for (;;) ") + hold + "; }, 100); 0");
    press(button);
    EXPECT_TRUE(wait_for_web(page("UserStart.html"))) << button << hold;
  }
  go(site_.url("/zoo.html"));

  for (const std::string target :
       {"data:text/html,x", "about:blank", "", "http://127.0.0.1:1/refused", "/window.html"}) {
    web_js("window.open('" + target + "'); 0");
    settle(milliseconds(1500));
    const std::string shown = site_.url(target == "/window.html" ? target : "/zoo.html");
    EXPECT_TRUE(wait_for_web(shown) && buttons_shown()) << target;
  }

  // No command runs from what a site sends; without the page cache a step back asks the site.
  webkit_settings_set_enable_page_cache(webkit_web_view_get_settings(gtk_window().web_view()),
                                        FALSE);
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
  follow_tile_to("/flip");
  ASSERT_TRUE(wait_for_web(site_.url("/flip")));
  EXPECT_EQ(page_reads("kitebrook://config/KBConfig.xml"), "refused");
  go(kNewPassword);
  go("vbcontainer:GO_EXIT()");
  expect_nothing_ran("the site's page");
  EXPECT_EQ(web_location(), site_.url("/flip"));
  press("btnHome", page("UserStart.html"));
  site_.add_redirect("/flip", kNewPassword);
  press("btnBack");
  ASSERT_TRUE(run_until([&] { return site_.requests("/flip") > 1; }));
  expect_nothing_ran("a history step");
  follow_tile_to("/opener.html");
  ASSERT_TRUE(run_until([&] { return site_.requests("/opened.html") > 0; }));
  press("btnHome", page("UserStart.html"));
  expect_nothing_ran("an opened window");

  // A page shown afresh may ask to print again; now with the real message box.
  platform_->set_message_box(nullptr);
  const ToolkitComplaints complaints;
  go_and_wait(site_.url("/zoo.html"));
  bool probed = false;
  web_js("setInterval(function () { window.print(); }, 100); 0");
  std::function<void()> probe = [&] {
    platform_->message_box().show("a second message");  // refused: no box of its own
    EXPECT_EQ(close_dialogs(kMessageBox), 1);
    probed = true;
  };
  after(milliseconds(2000), &probe);
  ASSERT_TRUE(run_until([&] { return probed; }));
  settle(milliseconds(1500));
  EXPECT_EQ(close_dialogs(kMessageBox), 0);
  EXPECT_EQ(complaints.texts, std::vector<std::string>());
  press("btnHome", page("UserStart.html"));
  EXPECT_EQ(printed_.size(), 3u);
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
  visit_zoo("<a href='" + away + "'>out</a><form method='post' action='" + away + "'>", config);
  const auto refused = [&](const std::string& how, const std::string& script) {
    go_and_wait(site_.url("/zoo.html"));
    web_js(script + "; 0");
    EXPECT_TRUE(wait_for_web(page("NotOnList.html")) &&
                prop_becomes("refused-host", "textContent", "localhost"))
        << how;
  };
  // Each opening asks the site once: every refusal before it asked nothing.
  const auto opened = [&](int away_requests) {
    ASSERT_TRUE(wait_for_web(away));
    EXPECT_EQ(site_.requests("/away.html"), away_requests);
  };
  const std::string link = "document.links[0].click()";
  const auto approve = [&](const std::string& choice_id, int away_requests) {
    refused(choice_id, link);
    click("ask");
    enter_password("secret");
    ASSERT_TRUE(wait_for_web(page("Approve.html")) &&
                prop_becomes("approve-address", "textContent", away));
    click(choice_id);
    opened(away_requests);
  };

  const std::pair<const char*, std::string> ways_from_the_zoo[] = {
      {"a link", link},
      {"a server's redirect", "location.href = '/hop'"},
      {"a refresh in the page", "location.href = '/refresh.html'"},
      {"a window the page opens", "window.open('" + away + "')"},
      {"a form sent there", "document.forms[0].submit()"},
  };
  for (const auto& [how, script] : ways_from_the_zoo) refused(how, script);
  click("go-back");
  EXPECT_TRUE(wait_for_web(site_.url("/zoo.html")));
  go_and_wait(site_.url("/frame.html"));
  settle(milliseconds(500));
  EXPECT_EQ(web_location(), site_.url("/frame.html"));

  // Once ends at Home; today outlives a restart, not the day; always is kept in the settings.
  approve("allow-once", 1);
  press("btnHome", page("UserStart.html"));
  approve("allow-today", 2);
  restart();
  start();
  choose_child("Mary");
  ASSERT_TRUE(start_page_shows("1,2"));
  go_and_wait(site_.url("/zoo.html"));
  web_js(link + "; 0");
  opened(3);
  clock_.offset = 2 * 24 * 60 * 60;
  approve("allow-always", 4);

  open_parents_pages("secret");
  click("visit-log-link");
  ASSERT_TRUE(wait_for_web(page("VisitLog.htm")));
  const std::string log =
      "[document.getElementById('visit-child').selectedOptions[0].textContent, ...Array.from("
      "document.querySelectorAll('.visit-row[data-host=localhost]'), r => r.cells[1].textContent"
      " + ':' + r.cells[4].textContent), ...Array.from(document.querySelectorAll('.approved-row'"
      "), r => r.dataset.host)].join('|')";
  const std::string allowed = "Mary|Kept closed:Allowed now|Opened:|localhost";
  ASSERT_TRUE(web_becomes(log, allowed)) << web_js(log);
  web_js("document.querySelector('.withdraw').click(); 0");
  ASSERT_TRUE(web_becomes(log, "Mary|Kept closed:Always allow|Opened:")) << web_js(log);
  web_js("document.querySelector('.always-allow').click(); 0");
  ASSERT_TRUE(web_becomes(log, allowed)) << web_js(log);
  fill({{"visit-child", "3"}});  // Chris has no visits
  EXPECT_TRUE(web_becomes(log, "Chris"));
  EXPECT_TRUE(messages_.texts.empty());
}

}  // namespace
}  // namespace kb::testing
