#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/clock.h"
#include "platform/gtk_platform.h"
#include "platform/main_window_gtk.h"
#include "registry/mod_registry.h"
#include "shell/kitebrook.h"
#include "shell/paths.h"
#include "support/clocks.h"
#include "support/recorded_messages.h"
#include "support/temp_folder.h"
#include "test_site.h"

namespace kb::testing {

// The real program on the real engine, in a temporary program folder with
// the pages of Data/, a configuration of the test's choosing and a registry
// of its own. Only the message box, the print dialog and the end of the
// program are replaced by recorders.
class E2ETest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Builds the platform, the registry and the program on folders_.
  void build_program();

  void write_config(const std::string& text);
  std::string read_config() const;
  // Two children (Mary, Chris) and three sites on the test site: Zoo for
  // everybody, Music for Mary, Space for Chris.
  std::string two_children_config(const std::string& pwd_exit = "Yes",
                                  const std::string& print_limit = "3") const;
  std::string page(const std::string& file) const;

  // Runs the start sequence and waits until the first page is up.
  void start();
  // Ends this run of the program and begins a new one, which reads its
  // settings afresh (call start() next).
  void restart();
  // Sets a form field in the content area (with its input and change events).
  void fill(const std::string& id, const std::string& value);
  void click(const std::string& id);
  // Waits until the configuration file holds `text`.
  bool config_has(const std::string& text);
  // Runs events until `done` answers true; false when the time ran out.
  bool run_until(const std::function<bool()>& done,
                 std::chrono::milliseconds limit = std::chrono::seconds(20));
  void settle(std::chrono::milliseconds duration);

  // Runs script in the content area / the control bar and answers its value.
  std::string web_js(const std::string& script);
  std::string controls_js(const std::string& script);
  // Whether a script in the content area answers `value` (false while it throws).
  bool web_is(const std::string& script, const std::string& value);
  // Waits until the content area shows `address` and its document is complete.
  bool wait_for_web(const std::string& address);
  // Waits until the content area's page holds an element with this id.
  bool has_element(const std::string& id);
  // On the user-selection page: waits for the child's tile and clicks it.
  void choose_child(const std::string& name);
  // Waits until the start page lists exactly these site IDs ("1,2").
  bool start_page_shows(const std::string& ids);
  // Starts the program and makes `name` the current child, whose start page
  // then shows its site tiles.
  void start_as_child(const std::string& name);
  // Starts the program as Mary with the Zoo (`html` on the site) and opens it.
  void visit_zoo(const std::string& html, const std::string& pwd_exit = "Yes",
                 const std::string& print_limit = "3");
  void click_site(int id);
  // Presses a button of the control bar once it shows. The bar ignores a
  // second press within half a second (a double click must not print
  // twice), so each press waits that long first.
  void press(const std::string& button);
  bool button_shown(const std::string& button);
  // The control bar's title.
  std::string title();
  // Presses the Parents button and enters `password`; the parent's pages
  // are then shown.
  void open_parents_pages(const std::string& password);
  // `document.getElementById(id).<property>` in the content area, and a wait
  // until it reads `value` (also for an element not there yet).
  std::string prop(const std::string& id, const std::string& property);
  bool prop_becomes(const std::string& id, const std::string& property, const std::string& value);
  std::string web_location();
  std::string caption();
  gtk::MainWindowGtk& gtk_window();

  // The state folder; for a program run beside its pages, also theirs.
  kbtest::TempFolder temp_{"kb_e2e"};
  std::filesystem::path folder_ = temp_.path();
  ProgramFolders folders_;
  kbtest::RecordedMessages messages_;
  std::vector<std::string> printed_;
  bool ended_ = false;
  kbtest::ShiftedClock clock_;
  std::unique_ptr<TestSite> site_;
  std::unique_ptr<gtk::GtkPlatform> platform_;
  std::unique_ptr<modRegistry::Registry> registry_;
  std::unique_ptr<Kitebrook> app_;
};

}  // namespace kb::testing
