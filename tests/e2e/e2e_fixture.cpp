#include "e2e_fixture.h"

#include <cstdlib>

#include "bridge/script_call.h"
#include "platform/main_loop.h"

namespace kb::testing {

namespace fs = std::filesystem;
using KBVBHTMLInterfaces::js_string_literal;

void E2ETest::SetUp() {
  const char* source = std::getenv("KB_SOURCE_DIR");
  ASSERT_NE(source, nullptr) << "KB_SOURCE_DIR names the source tree";
  fs::copy(fs::path(source) / "Data", folder_ / "Data", fs::copy_options::recursive);
  folders_ = ProgramFolders::beside(folder_);
  build_program();
}

void E2ETest::build_program() {
  gtk::initialize_toolkit(folders_.pages());
  site_ = std::make_unique<TestSite>();
  platform_ = std::make_unique<gtk::GtkPlatform>(folders_.pages(), folders_.config_file());
  platform_->set_message_box(&messages_);
  platform_->set_print_handler([this](WebKitWebView* view) {
    printed_.push_back(gtk::address_of_uri(webkit_web_view_get_uri(view)));
  });
  platform_->set_end_handler([this] { ended_ = true; });
  // The account's own hive stays in the test's folder too.
  modRegistry::HiveFiles hives = folders_.hive_files();
  hives.hkcu = folder_ / "Registry" / "HKCU.sqlite";
  registry_ = std::make_unique<modRegistry::Registry>(hives);
  app_ = std::make_unique<Kitebrook>(*platform_, folders_, *registry_, clock_);
}

void E2ETest::TearDown() {
  app_.reset();
  platform_.reset();
  site_.reset();
  settle(std::chrono::milliseconds(50));
}

void E2ETest::write_config(const std::string& text) {
  kbtest::write_file(folder_ / "Data" / "KBConfig.xml", text);
}

std::string E2ETest::read_config() const {
  return kbtest::read_file(folder_ / "Data" / "KBConfig.xml");
}

std::string E2ETest::two_children_config(const std::string& pwd_exit,
                                         const std::string& print_limit) const {
  const auto site = [this](const char* label, const char* image, const char* path, int id,
                           int user) {
    return std::string("<WebSite><Label>") + label + "</Label><Image>" + image +
           "</Image><Target>" + site_->address(path) + "</Target><ID>" + std::to_string(id) +
           "</ID><AllowedUsers><User><ID>" + std::to_string(user) +
           "</ID></User></AllowedUsers></WebSite>";
  };
  return "<KBConfig><Settings><Pwd>secret</Pwd><PrintAllowed>Yes</PrintAllowed><PrintLimit>" +
         print_limit + "</PrintLimit><PwdExit>" + pwd_exit +
         "</PwdExit></Settings><Users>"
         "<User><Name>AllUsers</Name><Image></Image><ID>1</ID></User>"
         "<User><Name>Mary</Name><Image>cat.svg</Image><ID>2</ID></User>"
         "<User><Name>Chris</Name><Image>dog.svg</Image><ID>3</ID></User>"
         "</Users><WebSites>" +
         site("Zoo", "animals.svg", "/zoo.html", 1, 1) +
         site("Music", "music.svg", "/music.html", 2, 2) +
         site("Space", "space.svg", "/space.html", 3, 3) + "</WebSites></KBConfig>";
}

std::string E2ETest::page(const std::string& file) const {
  return folders_.page(file);
}

void E2ETest::start() {
  app_->Main();
  app_->Timer1_Timer();
}

void E2ETest::restart() {
  app_.reset();
  settle(std::chrono::milliseconds(100));
  app_ = std::make_unique<Kitebrook>(*platform_, folders_, *registry_, clock_);
}

void E2ETest::fill(const std::string& id, const std::string& value) {
  web_js("(function (e) { e.value = " + js_string_literal(value) +
         "; e.dispatchEvent(new Event('input', {bubbles: true})); "
         "e.dispatchEvent(new Event('change', {bubbles: true})); })"
         "(document.getElementById(" +
         js_string_literal(id) + ")); 0");
}

void E2ETest::click(const std::string& id) {
  web_js("document.getElementById(" + js_string_literal(id) + ").click(); 0");
}

bool E2ETest::config_has(const std::string& text) {
  return run_until([&] { return read_config().find(text) != std::string::npos; });
}

bool E2ETest::run_until(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  return gtk::run_events_until(done, limit);
}

void E2ETest::settle(std::chrono::milliseconds duration) {
  gtk::run_events_until([] { return false; }, duration);
}

std::string E2ETest::web_js(const std::string& script) {
  Kitebrook::HandlerScope scope(*app_);
  return app_->main_window().view().web().run_script(script);
}

std::string E2ETest::controls_js(const std::string& script) {
  Kitebrook::HandlerScope scope(*app_);
  return app_->main_window().view().brwControls().run_script(script);
}

std::string E2ETest::prop(const std::string& id, const std::string& property) {
  return web_js("document.getElementById(" + js_string_literal(id) + ")." + property);
}

bool E2ETest::prop_becomes(const std::string& id, const std::string& property,
                           const std::string& value) {
  return run_until([&] {
    return web_is("document.getElementById(" + js_string_literal(id) + ")." + property, value);
  });
}

gtk::MainWindowGtk& E2ETest::gtk_window() {
  return dynamic_cast<gtk::MainWindowGtk&>(app_->main_window().view());
}

std::string E2ETest::web_location() {
  return app_->main_window().view().web().location_url();
}

std::string E2ETest::caption() {
  return app_->main_window().view().caption();
}

bool E2ETest::web_is(const std::string& script, const std::string& value) {
  try {
    return web_js(script) == value;
  } catch (const std::exception&) {
    return false;  // the page is not (yet) the one the script is for
  }
}

bool E2ETest::wait_for_web(const std::string& address) {
  return run_until(
      [&] { return web_location() == address && web_is("document.readyState", "complete"); });
}

bool E2ETest::has_element(const std::string& id) {
  return prop_becomes(id, "id", id);
}

void E2ETest::choose_child(const std::string& name) {
  const std::string tile = "document.querySelector('.user-tile[data-user=\"" + name + "\"]')";
  ASSERT_TRUE(wait_for_web(page("SelectUser.htm")));
  ASSERT_TRUE(run_until([&] { return web_is(tile + " !== null", "true"); }));
  web_js(tile + ".click(); 0");
}

bool E2ETest::start_page_shows(const std::string& ids) {
  const std::string shown =
      "Array.from(document.querySelectorAll('.site-tile')).map(t => t.dataset.siteId).sort()"
      ".join(',')";
  return wait_for_web(page("UserStart.html")) && run_until([&] { return web_is(shown, ids); });
}

void E2ETest::start_as_child(const std::string& name) {
  start();
  choose_child(name);
  ASSERT_TRUE(wait_for_web(page("UserStart.html")));
  ASSERT_TRUE(run_until(
      [&] { return web_is("document.querySelectorAll('.site-tile').length > 0", "true"); }));
}

void E2ETest::visit_zoo(const std::string& html, const std::string& pwd_exit,
                        const std::string& print_limit) {
  site_->add_page("/zoo.html", html);
  write_config(two_children_config(pwd_exit, print_limit));
  start_as_child("Mary");
  click_site(1);
  ASSERT_TRUE(wait_for_web(site_->url("/zoo.html")));
}

void E2ETest::click_site(int id) {
  web_js("document.querySelector('.site-tile[data-site-id=\"" + std::to_string(id) +
         "\"]').click(); 0");
}

void E2ETest::press(const std::string& button) {
  settle(std::chrono::milliseconds(600));
  ASSERT_TRUE(run_until([&] { return button_shown(button); }));
  controls_js("document.getElementById(" + js_string_literal(button) + ").click(); 0");
}

bool E2ETest::button_shown(const std::string& button) {
  return controls_js("getComputedStyle(document.getElementById(" + js_string_literal(button) +
                     ")).display") != "none";
}

std::string E2ETest::title() {
  return controls_js("document.getElementById('title').textContent");
}

void E2ETest::open_parents_pages(const std::string& password) {
  press("btnParent");
  ASSERT_TRUE(wait_for_web(page("password.htm")));
  fill("pwd", password);
  click("ok");
  ASSERT_TRUE(wait_for_web(page("KBConfigmain.htm")));
}

}  // namespace kb::testing
