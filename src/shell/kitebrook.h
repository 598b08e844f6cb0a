#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/clock.h"
#include "shell/frm_browser.h"
#include "shell/platform.h"
#include "shell/program_state.h"

namespace modRegistry {
class Registry;
}
namespace modKitebrook {
class PrintAllowance;
}
namespace kb::visits {
class VisitLog;
}

namespace kb {

// The program's life: the splash window, the start sequence, the settings
// read at start-up, the main window (which commands replace), and the end.
class Kitebrook : public SplashEvents {
 public:
  Kitebrook(Platform& platform, ProgramFolders folders, const modRegistry::Registry& registry,
            const Clock& clock);
  ~Kitebrook() override;
  Kitebrook(const Kitebrook&) = delete;
  Kitebrook& operator=(const Kitebrook&) = delete;

  // Shows the splash window; its timer runs the start sequence. Meanwhile
  // the main window is built and its first page loaded, hidden.
  void Main();
  void Timer1_Timer() override;
  void start_program();
  void init_globals();
  // Closes the main window and ends the program; errors on the way are ignored.
  void exit_program();

  ProgramState& state() { return state_; }
  Platform& platform() { return platform_; }
  // The message box; while the start is prepared behind the splash, the
  // messages wait for the start sequence, which shows them in their turn.
  MessageBox& message_box();
  const Clock& clock() const { return clock_; }
  std::filesystem::path config_file() const;
  modKitebrook::PrintAllowance& print_allowance() { return *print_allowance_; }
  // The log of the children's visits; null when it could not be opened.
  // It is opened at its first use, behind the splash rather than before it.
  visits::VisitLog* visit_log();

  // The main window; loads it (running its load handler) when none is loaded.
  frmBrowser& main_window();
  bool has_main_window() const { return main_window_ != nullptr; }
  // Closes the main window for good. It is destroyed once no handler of it
  // is running any more.
  void unload_main_window();
  void set_splash_visible(bool visible);

  // Brackets every event handler, so that windows unloaded inside a handler
  // are destroyed only after the outermost handler has returned.
  class HandlerScope {
   public:
    explicit HandlerScope(Kitebrook& app);
    ~HandlerScope();
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;

   private:
    Kitebrook& app_;
  };

 private:
  Platform& platform_;
  const Clock& clock_;
  ProgramState state_;
  std::filesystem::path visit_log_file_;
  std::unique_ptr<visits::VisitLog> visit_log_;
  bool visit_log_opened_ = false;
  std::unique_ptr<modKitebrook::PrintAllowance> print_allowance_;
  std::unique_ptr<frmBrowser> main_window_;
  std::vector<std::unique_ptr<frmBrowser>> unloaded_windows_;
  SplashView* splash_ = nullptr;
  // Tasks queued for a later turn run only while the program still exists.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  // Builds the main window and loads its first page while the splash shows,
  // so that the tick only has to read the settings and show the window.
  void prepare_start();
  // Drops visits older than the log keeps: done behind the splash, not
  // before it shows.
  void prune_visit_log();
  // The page the start shows: the children's, or the repair page when the
  // configuration cannot be read.
  std::string first_page() const;
  class HeldMessages;
  std::unique_ptr<HeldMessages> held_messages_;
  bool preparing_ = false;
  bool prepared_ = false;
  bool tick_waiting_ = false;
  bool start_running_ = false;
  int handler_depth_ = 0;
};

}  // namespace kb
