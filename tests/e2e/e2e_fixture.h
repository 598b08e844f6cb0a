#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "bridge/script_call.h"
#include "platform/gtk_platform.h"
#include "platform/main_loop.h"
#include "platform/main_window_gtk.h"
#include "registry/mod_registry.h"
#include "shell/kitebrook.h"
#include "shell/paths.h"
#include "support/clocks.h"
#include "support/recorded_messages.h"
#include "support/temp_folder.h"
#include "test_site.h"

namespace kb::testing {

using KBVBHTMLInterfaces::js_string_literal;
using std::chrono::milliseconds;

// The real program on the real engine; message box, printing and the end are recorders.
class E2ETest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* source = std::getenv("KB_SOURCE_DIR");
    ASSERT_NE(source, nullptr) << "KB_SOURCE_DIR names the source tree";
    std::filesystem::copy(std::filesystem::path(source) / "Data", folder_ / "Data",
                          std::filesystem::copy_options::recursive);
    build_program();
  }
  void build_program() {
    gtk::initialize_toolkit(folders_.pages());
    platform_ = std::make_unique<gtk::GtkPlatform>(folders_.pages(), folders_.config_file());
    platform_->set_message_box(&messages_);
    platform_->set_print_handler([this](WebKitWebView* view) {
      printed_.push_back(gtk::address_of_uri(webkit_web_view_get_uri(view)));
    });
    platform_->set_end_handler([this] { ended_ = true; });
    modRegistry::HiveFiles hives = folders_.hive_files();
    hives.hkcu = folder_ / "Registry" / "HKCU.sqlite";  // the account's own hive too
    registry_ = std::make_unique<modRegistry::Registry>(hives);
    app_ = std::make_unique<Kitebrook>(*platform_, folders_, *registry_, clock_);
  }
  void TearDown() override {
    app_.reset();
    platform_.reset();
    settle(milliseconds(50));
  }

  void write_config(const std::string& text) { kbtest::write_file(folders_.config_file(), text); }
  std::string read_config() const { return kbtest::read_file(folders_.config_file()); }
  // Mary and Chris; the Zoo for everybody, Music for Mary, Space for Chris.
  std::string two_children_config(const std::string& pwd_exit = "Yes") const {
    std::string sites;
    for (const auto& [id, label, path] : {std::tuple{"1", "Zoo", "/zoo.html"},
                                          {"2", "Music", "/music.html"},
                                          {"3", "Space", "/space.html"}})
      sites += std::string("<WebSite><Label>") + label + "</Label><Image>a.svg</Image><Target>" +
               site_.address(path) + "</Target><ID>" + id + "</ID><AllowedUsers><User><ID>" + id +
               "</ID></User></AllowedUsers></WebSite>";
    return "<KBConfig><Settings><Pwd>secret</Pwd><PrintAllowed>Yes</PrintAllowed><PrintLimit>3"
           "</PrintLimit><PwdExit>" +
           pwd_exit +
           "</PwdExit></Settings><Users><User><Name>AllUsers</Name><Image></Image><ID>1</ID></User>"
           "<User><Name>Mary</Name><Image>cat.svg</Image><ID>2</ID></User>"
           "<User><Name>Chris</Name><Image>dog.svg</Image><ID>3</ID></User></Users><WebSites>" +
           sites + "</WebSites></KBConfig>";
  }
  std::string page(const std::string& file) const { return folders_.page(file); }

  void start() {
    app_->Main();
    app_->Timer1_Timer();
  }
  void restart() {
    app_.reset();
    settle(milliseconds(100));
    app_ = std::make_unique<Kitebrook>(*platform_, folders_, *registry_, clock_);
  }
  bool run_until(const std::function<bool()>& done, milliseconds limit = milliseconds(20000)) {
    return gtk::run_events_until(done, limit);
  }
  void settle(milliseconds duration) {
    gtk::run_events_until([] { return false; }, duration);
  }
  // Runs `step` from a timer, as the test must while a modal dialog runs.
  static void after(milliseconds delay, std::function<void()>* step) {
    g_timeout_add_once(
        static_cast<guint>(delay.count()),
        [](gpointer step) { (*static_cast<std::function<void()>*>(step))(); }, step);
  }
  // Runs xdotool as a person's hands, the program and `meanwhile` running; true once done.
  bool xdotool(
      const std::string& args, const std::function<void()>& meanwhile = [] {}) {
    g_autoptr(GSubprocess) process = g_subprocess_new(G_SUBPROCESS_FLAGS_NONE, nullptr, "sh", "-c",
                                                      ("xdotool " + args).c_str(), nullptr);
    // GLib reaps the process on a worker of its own, which forgets its identifier.
    return process && run_until([&] {
             meanwhile();
             return !g_subprocess_get_identifier(process);
           });
  }
  // Closes the open dialogs of `type` as Escape and the title bar do; returns how many.
  static int close_dialogs(GType type) {
    GList* windows = gtk_window_list_toplevels();
    int count = 0;
    for (GList* w = windows; w; w = w->next) {
      if (!G_TYPE_CHECK_INSTANCE_TYPE(w->data, type) ||
          !gtk_widget_get_visible(GTK_WIDGET(w->data)))
        continue;
      gtk_window_close(GTK_WINDOW(w->data));
      ++count;
    }
    g_list_free(windows);
    return count;
  }
  bool config_has(const std::string& text) {
    return run_until([&] { return read_config().find(text) != std::string::npos; });
  }
  bool messages_reach(std::size_t count) {
    return run_until([&] { return messages_.texts.size() == count; });
  }

  std::string web_js(const std::string& script,
                     BrowserControl& (MainWindowView::*control)() = &MainWindowView::web) {
    Kitebrook::HandlerScope scope(*app_);
    return (app_->main_window().view().*control)().run_script(script);
  }
  std::string controls_js(const std::string& s) { return web_js(s, &MainWindowView::brwControls); }
  bool web_becomes(const std::string& script, const std::string& value) {
    return run_until([&] {
      try {
        return web_js(script) == value;
      } catch (const std::exception&) {
        return false;
      }
    });
  }
  std::string page_reads(const std::string& url) {
    return web_js(
        "(() => { try { const r = new XMLHttpRequest(); r.open('GET', " + js_string_literal(url) +
        ", false); r.send(); return r.responseText; } catch (e) { return 'refused'; } })()");
  }
  std::string element(const std::string& id) {
    return "document.getElementById(" + js_string_literal(id) + ")";
  }
  std::string prop(const std::string& id, const std::string& property) {
    return web_js(element(id) + "." + property);
  }
  bool prop_becomes(const std::string& id, const std::string& property, const std::string& value) {
    return web_becomes(element(id) + "." + property, value);
  }
  bool has_element(const std::string& id) { return prop_becomes(id, "id", id); }
  bool on_page(const std::string& file, const std::string& id) {
    return wait_for_web(page(file)) && has_element(id);
  }
  bool saved_and_cleared(const std::string& row, const std::string& field) {
    return has_element(row) && prop_becomes(field, "value", "");
  }
  void fill(const std::vector<std::pair<std::string, std::string>>& fields) {
    for (const auto& [id, value] : fields)
      web_js(
          "(function (e, v) { if (e.type === 'checkbox' || e.type === 'radio') e.checked = v === "
          "'on'; else e.value = v; e.dispatchEvent(new Event('input', {bubbles: true})); "
          "e.dispatchEvent(new Event('change', {bubbles: true})); })(" +
          element(id) + ", " + js_string_literal(value) + "); 0");
  }
  void submit(const std::vector<std::pair<std::string, std::string>>& fields,
              const std::string& button) {
    fill(fields);
    click(button);
  }
  void click(const std::string& id) { web_js(element(id) + ".click(); 0"); }
  void go(const std::string& url) { web_js("location.href = " + js_string_literal(url) + "; 0"); }
  void go_and_wait(const std::string& url) {
    go(url);
    ASSERT_TRUE(wait_for_web(url));
  }
  std::string web_location() { return app_->main_window().view().web().location_url(); }
  gtk::MainWindowGtk& gtk_window() {
    return dynamic_cast<gtk::MainWindowGtk&>(app_->main_window().view());
  }
  bool wait_for_web(const std::string& address) {
    return run_until([&] { return web_location() == address; }) &&
           web_becomes("document.readyState", "complete");
  }

  void choose_child(const std::string& name) {
    const std::string tile = "document.querySelector('.user-tile[data-user=\"" + name + "\"]')";
    ASSERT_TRUE(wait_for_web(page("SelectUser.htm")) && web_becomes(tile + " !== null", "true"));
    web_js(tile + ".click(); 0");
  }
  bool start_page_shows(const std::string& ids) {
    return wait_for_web(page("UserStart.html")) &&
           web_becomes(
               "[...document.querySelectorAll('.site-tile')].map(t => t.dataset.siteId)"
               ".sort().join()",
               ids);
  }
  void visit_zoo(const std::string& html, const std::string& config = "") {
    site_.add_page("/zoo.html", html);
    write_config(config.empty() ? two_children_config() : config);
    start();
    choose_child("Mary");
    ASSERT_TRUE(start_page_shows("1,2"));
    web_js("document.querySelector('.site-tile[data-site-id=\"1\"]').click(); 0");
    ASSERT_TRUE(wait_for_web(site_.url("/zoo.html")));
  }
  // The bar ignores a second press within half a second: each press waits.
  void press(const std::string& button, const std::string& then = "") {
    settle(milliseconds(600));
    ASSERT_TRUE(run_until([&] { return button_shown(button); }));
    controls_js(element(button) + ".click(); 0");
    ASSERT_TRUE(then.empty() || wait_for_web(then));
  }
  bool button_shown(const std::string& button) {
    return controls_js("getComputedStyle(" + element(button) + ").display") != "none";
  }
  std::string title() { return controls_js(element("title") + ".textContent"); }
  void enter_password(const std::string& password) {
    ASSERT_TRUE(on_page("password.htm", "pwd"));
    submit({{"pwd", password}}, "ok");
  }
  void open_parents_pages(const std::string& password) {
    press("btnParent");
    enter_password(password);
    ASSERT_TRUE(wait_for_web(page("KBConfigmain.htm")));
  }

  kbtest::TempFolder temp_{"kb_e2e"};
  std::filesystem::path folder_ = temp_.path();
  ProgramFolders folders_ = ProgramFolders::beside(folder_);
  kbtest::RecordedMessages messages_;
  std::vector<std::string> printed_;
  bool ended_ = false;
  kbtest::ShiftedClock clock_;
  TestSite site_;
  std::unique_ptr<gtk::GtkPlatform> platform_;
  std::unique_ptr<modRegistry::Registry> registry_;
  std::unique_ptr<Kitebrook> app_;
};

}  // namespace kb::testing
