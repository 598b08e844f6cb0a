#include <gtk/gtkunixprint.h>

#include <csignal>
#include <map>
#include <utility>

#include "config/password_hash.h"
#include "e2e_fixture.h"
#include "platform/print_dialog.h"

// Last: Xlib defines macros (None, Bool) that clash with the names above.
#include <gdk/x11/gdkx.h>

namespace kb::testing {
namespace {

using Journeys = E2ETest;
using MainWindow = E2ETest;

TEST_F(Journeys, AChildBrowsesItsSitesPrintsOnlyToPrintersAndLeavesOnlyWithThePassword) {
  platform_->set_print_handler(gtk::print_with_dialog);
  site_.add_page("/second.html", "second");
  visit_zoo("<a id='next' href='/second.html'>next</a><a id='file' href='/file.bin'>file</a>");
  EXPECT_EQ(app_->main_window().view().caption(), "Mary'sKitebrook--" + site_.url("/zoo.html"));
  for (WebKitWebView* view : {gtk_window().web_view(), gtk_window().controls_view()}) {
    gboolean handled = FALSE;
    g_signal_emit_by_name(view, "context-menu", nullptr, nullptr, &handled);
    EXPECT_TRUE(handled);
  }
  // The developer keys open no inspector; F7 (caret browsing) made the toolkit abort.
  gtk_widget_grab_focus(GTK_WIDGET(gtk_window().web_view()));
  ASSERT_TRUE(xdotool("key --delay 300 F7 ctrl+shift+i ctrl+shift+d"));
  settle(milliseconds(1000));
  EXPECT_EQ(g_list_model_get_n_items(gtk_window_get_toplevels()), 1u);

  bool shown = false;
  std::function<void()> cancel = [&] { shown = close_dialogs(GTK_TYPE_PRINT_UNIX_DIALOG) > 0; };
  after(milliseconds(1500), &cancel);
  press("btnPrint");
  ASSERT_TRUE(run_until([&] { return shown; }));
  std::string printers;
  gtk_enumerate_printers(
      [](GtkPrinter* printer, gpointer names) {
        *static_cast<std::string*>(names) += gtk_printer_get_name(printer) + std::string("|");
        return FALSE;
      },
      &printers, nullptr, TRUE);
  EXPECT_EQ(printers.find("Print to File"), std::string::npos) << printers;
  g_autoptr(GtkPrintSettings) settings = gtk_print_settings_new();
  gtk_print_settings_set_n_copies(settings, 5);
  gtk::limit_to_one_copy(settings);
  EXPECT_EQ(gtk_print_settings_get_n_copies(settings), 1);

  click("file");
  run_until([&] { return site_.requests("/file.bin") > 0; });
  settle(milliseconds(500));
  EXPECT_EQ(web_location(), site_.url("/zoo.html"));

  click("next");
  ASSERT_TRUE(wait_for_web(site_.url("/second.html")));
  press("btnBack", site_.url("/zoo.html"));
  press("btnForward", site_.url("/second.html"));

  press("btnExit");
  ASSERT_TRUE(run_until([&] { return title() == "Password Required"; }));
  enter_password("Secret");
  ASSERT_TRUE(messages_reach(1));
  EXPECT_EQ(messages_.texts[0], "The password entered is incorrect, try again!");
  ASSERT_TRUE(on_page("password.htm", "cancel"));
  click("cancel");
  EXPECT_TRUE(wait_for_web(site_.url("/second.html")) &&
              run_until([&] { return button_shown("btnHome"); }));
  gtk_window_close(gtk_window().window());
  ASSERT_TRUE(wait_for_web(page("password.htm")) && !ended_);
  enter_password("secret");
  EXPECT_TRUE(run_until([&] { return ended_; }));
}

TEST_F(Journeys, TheFirstRunWizardSetsEverythingUpAndTheRepairPagePutsItBack) {
  site_.add_page("/zoo.html", "zoo");
  start();  // the default configuration of a fresh installation
  ASSERT_TRUE(wait_for_web(page("SWelcome.html")) && title() == "Kitebrook Configuration");
  click("start");
  ASSERT_TRUE(on_page("Sresetpassword.htm", "pwd-new"));
  submit({{"pwd-new", "kite 123"}, {"pwd-repeat", "kite 123"}}, "pwd-save");
  ASSERT_TRUE(on_page("SAddUserHelp.html", "user-name"));
  for (const std::string name : {"Ada", "Ben"}) {
    submit({{"user-name", name}, {"user-pic-fox", "on"}}, "user-save");
    ASSERT_TRUE(saved_and_cleared(name == "Ada" ? "user-edit-2" : "user-edit-3", "user-name"));
  }
  click("wizard-next");
  ASSERT_TRUE(on_page("SAddSites.html", "site-label"));
  submit({{"site-label", "Zoo"},
          {"site-address", site_.url("/zoo.html")},
          {"site-also-allow", " Videos.Example  https://pictures.example/zoo "},
          {"site-pic-animals", "on"}},
         "site-save");
  ASSERT_TRUE(saved_and_cleared("site-edit-1", "site-label"));
  click("wizard-next");
  ASSERT_TRUE(on_page("Seditsettings.htm", "settings-save"));
  ASSERT_TRUE(prop_becomes("settings-stay", "checked", "true"));
  EXPECT_NE(prop("settings-stay-hint", "textContent").find("only the sites"), std::string::npos);
  fill({{"settings-print", "on"}, {"settings-pages", "4"}, {"settings-exit-pwd", "on"}});
  click("settings-save");
  ASSERT_TRUE(wait_for_web(page("Sfinish.html")));
  // A new site is offered to everybody; the pass over the sites keeps their hosts.
  const std::string config = read_config();
  for (const std::string& saved : std::vector<std::string>{
           "<Name>Ada</Name>", "<StayOnSites>Yes</StayOnSites>", "<PrintAllowed>Yes</PrintAllowed>",
           "<PrintLimit>4</PrintLimit>", "<AllowedUsers>\n        <User>\n          <ID>1</ID>",
           "<AlsoAllow>\n        <Host>videos.example</Host>\n        "
           "<Host>pictures.example</Host>",
           "<Image>" + folder_.string() + "/Data/Images/animals.svg</Image>",
           "<Target>" + site_.address("/zoo.html") + "</Target>"})
    EXPECT_NE(config.find(saved), std::string::npos) << saved;

  click("finish");
  EXPECT_TRUE(wait_for_web(page("SelectUser.htm")) &&
              web_becomes("document.querySelectorAll('.user-tile').length", "2"));
  EXPECT_EQ(title(), "Select a User to Begin");
  choose_child("Ben");
  EXPECT_TRUE(start_page_shows("1"));
  EXPECT_TRUE(messages_.texts.empty());

  open_parents_pages("kite 123");  // the wizard's password applies at once
  const std::string seen = page_reads("kitebrook://config/KBConfig.xml");
  EXPECT_NE(seen.find("<Pwd set=\"Yes\""), std::string::npos);
  EXPECT_EQ(seen.find("argon2"), std::string::npos);
  EXPECT_EQ(page_reads("KBConfig.xml"), "refused");

  click("site-1-all");
  ASSERT_TRUE(config_has("<AllowedUsers />"));
  const std::string good = read_config();
  restart();
  write_config("<KBConfig><Users>");
  start();
  ASSERT_TRUE(on_page("RepairSettings.htm", "pwd") &&
              run_until([&] { return title() == "Kitebrook Settings"; }));
  submit({{"pwd", "not it"}}, "restore");
  ASSERT_TRUE(messages_reach(1));
  submit({{"pwd", "kite 123"}}, "restore");
  ASSERT_TRUE(messages_reach(2));
  EXPECT_EQ(messages_.texts[1].rfind("Kitebrook's settings were put back", 0), 0u);
  EXPECT_EQ(read_config(), good);
  choose_child("Ben");
  EXPECT_TRUE(start_page_shows("") &&
              web_becomes("(function (e) { return e !== null && !e.hidden && e.offsetHeight > 0; })"
                          "(document.getElementById('no-sites'))",
                          "true"));

  press("btnParent");
  for (std::size_t i = 3; i <= 7; ++i) {
    enter_password(i == 5 ? "" : "guess");  // an empty entry is wrong too
    ASSERT_TRUE(messages_reach(i));
  }
  EXPECT_TRUE(wait_for_web(page("password.htm")) && run_until([&] {
                return prop("pwd-error", "textContent").find("Too many tries") != std::string::npos;
              }));
  enter_password("kite 123");
  settle(milliseconds(800));
  EXPECT_EQ(web_location() + "|" + std::to_string(messages_.texts.size()),
            page("password.htm") + "|7");
  std::raise(SIGTERM);
  EXPECT_TRUE(run_until([&] { return ended_; }));
}

TEST_F(Journeys, AParentChangesTheSetUpAndTheChildrenSeeExactlyTheirSites) {
  visit_zoo("zoo");
  open_parents_pages("secret");
  // A new child, Lucy (ID 4), and Books (ID 4) for her alone.
  submit({{"user-name", "Lucy"}, {"user-pic-owl", "on"}}, "user-save");
  ASSERT_TRUE(saved_and_cleared("user-edit-4", "user-name") && has_element("site-offer-4"));
  submit({{"site-label", "Books"},
          {"site-address", site_.url("/books.html")},
          {"site-offer-all", "off"},
          {"site-offer-4", "on"},
          {"site-pic-books", "on"}},
         "site-save");
  ASSERT_TRUE(prop_becomes("site-4-user-4", "checked", "true") &&
              prop_becomes("site-1-all", "checked", "true"));
  click("site-edit-4");
  EXPECT_EQ(prop("site-also-allow", "value"), "");
  submit({{"site-also-allow", "cdn.books.example"}}, "site-save");
  ASSERT_TRUE(config_has("<Host>cdn.books.example</Host>") &&
              saved_and_cleared("site-edit-4", "site-label"));
  click("site-edit-4");
  EXPECT_EQ(prop("site-also-allow", "value"), "cdn.books.example");
  click("site-cancel");
  click("site-2-user-2");
  ASSERT_TRUE(prop_becomes("site-2-user-2", "checked", "false"));

  // A file without the setting browses freely until the parent turns it on.
  EXPECT_EQ(prop("settings-stay", "checked"), "false");
  submit({{"settings-exit-pwd", "off"}, {"settings-stay", "on"}}, "settings-save");
  // The page has read the settings back before the next form is used.
  ASSERT_TRUE(run_until(
      [&] { return prop("settings-status", "textContent").find("Saved") != std::string::npos; }));
  submit({{"pwd-new", "tulip"}, {"pwd-repeat", "tulip"}}, "pwd-save");
  ASSERT_TRUE(prop_becomes("pwd-new", "value", ""));  // once it has read the password back
  EXPECT_EQ(
      KBConfigIO::check_password(KBConfigIO::stored_password(folders_.config_file()), "tulip"),
      KBConfigIO::PasswordCheck::Correct);
  click("exit-config");
  ASSERT_TRUE(start_page_shows("1"));

  restart();
  platform_->set_whole_session(true);
  start();
  const auto full_screen = [&] {
    GtkWindow* window = gtk_window().window();
    return !gtk_window_get_decorated(window) && gtk_window_is_fullscreen(window);
  };
  EXPECT_TRUE(run_until(full_screen));
  choose_child("Lucy");
  EXPECT_TRUE(start_page_shows("1,4") && run_until(full_screen));
  EXPECT_TRUE(messages_.texts.empty()) << messages_.texts.front();
  gtk_window_close(gtk_window().window());
  EXPECT_TRUE(run_until([&] { return ended_; }));
}

// Designed: 6255 twips high, the bar 855, the content from 840 down, all inside the window.
void expect_designed_proportions(gtk::MainWindowGtk& window) {
  GtkWidget* client = gtk_window_get_child(window.window());
  const double width = gtk_widget_get_width(client), height = gtk_widget_get_height(client);
  graphene_rect_t bar{}, web{};
  ASSERT_TRUE(gtk_widget_compute_bounds(GTK_WIDGET(window.controls_view()), client, &bar) &&
              gtk_widget_compute_bounds(GTK_WIDGET(window.web_view()), client, &web));
  EXPECT_EQ(std::vector<double>(
                {bar.origin.x, bar.origin.y, bar.size.width, web.origin.x, web.size.width}),
            std::vector<double>({0, 0, width, 0, width}));
  EXPECT_NEAR(bar.size.height, height * 855 / 6255, 1.5);
  EXPECT_NEAR(web.origin.y, height * 840 / 6255, 1.5);
  EXPECT_LE(web.origin.y, bar.origin.y + bar.size.height);
  EXPECT_NEAR(web.origin.y + web.size.height, height - 0.5, 0.5);
}

// A call into the page a load replaces would fail ("undefined is not a function").
TEST_F(MainWindow, TheFirstPageIsUpAtTheTickTheViewsFitAndEveryScriptCallRunsInThePageAskedFor) {
  write_config(two_children_config());
  app_->Main();
  ASSERT_TRUE(run_until([&] {
    return app_->has_main_window() && web_location() == page("SelectUser.htm") &&
           title() == "Select a User to Begin";
  }));
  GtkWindow* window = gtk_window().window();
  EXPECT_FALSE(gtk_widget_get_visible(GTK_WIDGET(window)) || app_->state().start_done);
  app_->Timer1_Timer();
  EXPECT_TRUE(gtk_widget_get_visible(GTK_WIDGET(window)) && app_->state().start_done &&
              web_location() == page("SelectUser.htm") && gtk_window_get_decorated(window) &&
              !gtk_window_is_fullscreen(window));
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
  XSizeHints hints{};
  long supplied = 0;
  ASSERT_TRUE(XGetWMNormalHints(display, gdk_x11_surface_get_xid(surface), &hints, &supplied));
  EXPECT_EQ((gtk::PixelSize{hints.flags & PMinSize ? hints.min_width : -1, hints.min_height}),
            dynamic_cast<gtk::MainWindowForm&>(gtk_window().form()).minimum_client_size());

  Kitebrook::HandlerScope scope(*app_);
  BrowserControl& bar = app_->main_window().view().brwControls();
  for (const std::string busy :
       {"", "const until = Date.now() + 250; while (Date.now() < until) {}"}) {
    kbtest::write_file(folder_ / "Data" / "KBControls.html",
                       "<script>" + busy + "function WriteMsg(t) {}</script>");
    for (const int gap : {0, 0, 5, 20, 60, 150}) {
      for (const std::string& first : {page("KBControls.html"), std::string("about:blank")}) {
        bar.navigate(first);
        settle(milliseconds(gap));
        bar.navigate(page("KBControls.html"));
        EXPECT_EQ(bar.run_script("typeof WriteMsg"), "function")
            << (busy.empty() ? "instant" : "slow") << ", after " << first << " and " << gap
            << " ms";
      }
    }
  }
}

class RecordingEvents : public MainWindowEvents {
 public:
  void Form_Resize() override {}
  bool web_BeforeNavigate2(const NavigationRequest& r) override {
    const char* const types[] = {"link", "form", "form again", "history", "reload", "other"};
    seen[r.url] = std::string(r.by_program ? "program " : "") + (r.is_redirect ? "redirect " : "") +
                  (r.frame == NavigationFrame::Main ? "main " : "") +
                  types[static_cast<int>(r.type)] + " from '" + r.sender_document + "' over '" +
                  r.committed_document + "'";
    return false;
  }
  bool brwControls_BeforeNavigate2(const NavigationRequest&) override { return false; }
  bool wbbrwnewhidden_BeforeNavigate2(const NavigationRequest&) override { return false; }
  void web_NavigateComplete2(const std::string&) override {}
  void web_CommandStateChange(NavigationCommand, bool) override {}
  void wbbrwnewhidden_DocumentComplete() override {}
  bool web_PrintRequested() override { return false; }
  void Form_QueryUnload() override {}
  std::map<std::string, std::string> seen;
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
  BrowserControl& web = window.web();
  const auto navigation_to = [&](const std::string& url) {
    gtk::run_events_until([&] { return !events.seen[url].empty(); }, milliseconds(10000));
    return std::exchange(events.seen[url], "");
  };

  web.navigate(host);
  EXPECT_EQ(navigation_to(host), "program main other from '' over ''");
  web.run_script("0");
  web.run_script("location.href = '" + site.url("/hop") + "'; 0");
  EXPECT_EQ(navigation_to("vbcontainer:HOPPED()"),
            "redirect main other from '' over '" + host + "'");
  web.navigate(site.url("/a.html"));
  navigation_to(site.url("/a.html"));
  web.run_script("0");
  web.go_back();
  EXPECT_EQ(navigation_to(host), "history from '' over '" + site.url("/a.html") + "'");
  web.run_script("0");
  web.run_script("location.reload(); 0");
  EXPECT_EQ(navigation_to(host), "reload from '' over '" + host + "'");
}

}  // namespace
}  // namespace kb::testing
