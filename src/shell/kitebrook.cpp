#include "shell/kitebrook.h"

#include <iostream>
#include <utility>

#include "bridge/page_loader.h"
#include "common/kb_error.h"
#include "common/vb_number.h"
#include "config/config_recovery.h"
#include "config/kb_config_io.h"
#include "config/startup_settings.h"
#include "registry/print_allowance.h"
#include "shell/paths.h"
#include "visits/visit_log.h"

namespace kb {
namespace {

std::string init_globals_message(const Error& e) {
  const std::string number = std::to_string(e.number());
  return "error in init_globals " + e.description() + ":" + (e.number() >= 0 ? " " : "") + number;
}

}  // namespace

// Messages raised while the start is prepared, kept for the start sequence.
class Kitebrook::HeldMessages : public MessageBox {
 public:
  void show(const std::string& text) override { texts_.push_back(text); }
  void replay(MessageBox& box) const {
    for (const std::string& text : texts_) box.show(text);
  }

 private:
  std::vector<std::string> texts_;
};

Kitebrook::Kitebrook(Platform& platform, ProgramFolders folders,
                     const modRegistry::Registry& registry, const Clock& clock)
    : platform_(platform),
      clock_(clock),
      print_allowance_(
          std::make_unique<modKitebrook::PrintAllowance>(registry, clock, platform.message_box())) {
  state_.folders = std::move(folders);
  visit_log_file_ = visits::visit_log_file(registry.files().hklm);
}

visits::VisitLog* Kitebrook::visit_log() {
  if (!visit_log_opened_) {
    visit_log_opened_ = true;
    // Browsing goes on without the log when its database cannot be opened.
    try {
      visit_log_ = std::make_unique<visits::VisitLog>(visit_log_file_);
    } catch (const std::exception& e) {
      std::cerr << "kitebrook: the visit log cannot be used: " << e.what() << '\n';
    }
  }
  return visit_log_.get();
}

void Kitebrook::prune_visit_log() {
  visits::VisitLog* log = visit_log();
  if (!log) return;
  try {
    log->prune(clock_.now());
  } catch (const std::exception& e) {
    // Old visits stay until the next start; browsing and logging go on.
    std::cerr << "kitebrook: old visits were not pruned: " << e.what() << '\n';
  }
}

Kitebrook::~Kitebrook() {
  // A splash loaded again to cover a rebuild of the main window would tick
  // into a program that is gone.
  if (splash_) splash_->unload();
}

std::filesystem::path Kitebrook::config_file() const {
  return state_.folders.config_file();
}

MessageBox& Kitebrook::message_box() {
  if (held_messages_) return *held_messages_;
  return platform_.message_box();
}

void Kitebrook::Main() {
  splash_ = &platform_.load_splash(*this);
  platform_.run_soon([this, alive = std::weak_ptr<bool>(alive_)] {
    if (alive.lock()) prepare_start();
  });
}

std::string Kitebrook::first_page() const {
  // A configuration that cannot be read is explained to the parent, who can
  // put the last good version back, instead of a page that cannot list anyone.
  return state_.folders.page(KBConfigIO::config_readable(config_file()) ? "SelectUser.htm"
                                                                        : "RepairSettings.htm");
}

void Kitebrook::prepare_start() {
  HandlerScope scope(*this);
  if (state_.start_done || start_running_ || preparing_ || prepared_) return;
  preparing_ = true;
  prune_visit_log();
  held_messages_ = std::make_unique<HeldMessages>();
  main_window().view().set_visible(false);
  KBVBHTMLInterfaces::load_page(*this, first_page());
  preparing_ = false;
  prepared_ = true;
  // A tick that came while the page loaded finishes the start now.
  if (tick_waiting_) {
    tick_waiting_ = false;
    Timer1_Timer();
  }
}

void Kitebrook::Timer1_Timer() {
  HandlerScope scope(*this);
  // A tick that arrives while the start sequence runs must not start it
  // again; one that arrives while it is prepared waits for the preparation.
  if (start_running_) return;
  if (preparing_) {
    tick_waiting_ = true;
    return;
  }
  if (!state_.start_done) {
    start_running_ = true;
    start_program();
    start_running_ = false;
    state_.start_done = true;
  }
  if (splash_) {
    splash_->unload();
    splash_ = nullptr;
  }
}

void Kitebrook::start_program() {
  if (prepared_) {
    // The window and its page are ready: the settings are read, and their
    // messages shown, before the messages of the page's load, as when the
    // page loads now; then the window appears.
    const std::unique_ptr<HeldMessages> held = std::move(held_messages_);
    init_globals();
    held->replay(platform_.message_box());
    frmBrowser& window = main_window();
    window.view().show();
    window.view().set_visible(true);
    return;
  }
  prune_visit_log();
  init_globals();
  frmBrowser& window = main_window();
  window.view().set_visible(false);
  window.view().show();
  KBVBHTMLInterfaces::load_page(*this, first_page());
  main_window().view().set_visible(true);
}

void Kitebrook::init_globals() {
  state_.current_user.clear();
  state_.print_limit = 0;
  state_.print_allowed = false;
  state_.pwd_on_exit = true;
  state_.config_pwd.clear();

  try {
    KBConfigIO::remove_save_leftovers(config_file());
  } catch (const Error& e) {
    // Leftovers cost only disk space; the next start tries again.
    std::cerr << "kitebrook: leftover temporary files kept: " << e.description() << '\n';
  }
  const KBConfigIO::StartupSettings settings(config_file());
  // Without a readable file no setting can be read; the page shown at start
  // tells the parent so in plain words.
  if (!settings.readable()) return;
  // Each setting is read on its own, so that one bad setting does not cost
  // the ones after it (a bad print limit must not lose the password).
  const auto setting = [&](const char* query) { return settings.text(query); };
  const auto read = [&](auto&& apply) {
    try {
      apply();
    } catch (const Error& e) {
      message_box().show(init_globals_message(e));
    }
  };
  read([&] { state_.print_allowed = setting("/KBConfig/Settings/PrintAllowed") == "Yes"; });
  read([&] {
    const std::string text = setting("/KBConfig/Settings/PrintLimit");
    state_.print_limit = text.empty() ? 0 : numeric_value16(text);
  });
  read([&] { state_.pwd_on_exit = setting("/KBConfig/Settings/PwdExit") == "Yes"; });
  read([&] {
    const std::string text = setting("KBConfig/Settings/Pwd");
    if (!text.empty()) state_.config_pwd = text;
  });
}

void Kitebrook::exit_program() {
  try {
    unload_main_window();
  } catch (...) {
    // Leaving must not be stopped by a window that fails to close.
  }
  platform_.end_program();
}

frmBrowser& Kitebrook::main_window() {
  if (!main_window_) {
    main_window_ = std::make_unique<frmBrowser>(*this);
    main_window_->load(platform_);
  }
  return *main_window_;
}

void Kitebrook::unload_main_window() {
  if (!main_window_) return;
  main_window_->unload();
  unloaded_windows_.push_back(std::move(main_window_));
  if (handler_depth_ == 0) unloaded_windows_.clear();
}

void Kitebrook::set_splash_visible(bool visible) {
  if (visible) {
    splash_ = &platform_.load_splash(*this);
    splash_->set_visible(true);
  } else if (splash_) {
    splash_->set_visible(false);
  }
}

Kitebrook::HandlerScope::HandlerScope(Kitebrook& app) : app_(app) {
  ++app_.handler_depth_;
}

Kitebrook::HandlerScope::~HandlerScope() {
  if (--app_.handler_depth_ == 0) app_.unloaded_windows_.clear();
}

}  // namespace kb
