#include <iostream>

#include "bridge/command_handlers.h"
#include "bridge/error_text.h"
#include "bridge/page_loader.h"
#include "bridge/print_commands.h"
#include "bridge/script_call.h"
#include "config/kb_config_io.h"
#include "config/password_hash.h"
#include "registry/print_allowance.h"
#include "shell/kitebrook.h"
#include "shell/paths.h"

namespace KBVBHTMLInterfaces {
namespace {

void show_password_page(kb::Kitebrook& app) {
  load_page(app, app.state().folders.page("password.htm"));
}

void show_config_main(kb::Kitebrook& app) {
  load_page(app, app.state().folders.page("KBConfigmain.htm"));
}

void wrong_password(kb::Kitebrook& app) {
  app.message_box().show("The password entered is incorrect, try again!");
  show_password_page(app);
}

// Tells the password page how long to wait before the next try.
void show_wait(kb::Kitebrook& app, long seconds) {
  app.main_window().view().web().run_script(
      "if (typeof KBPasswordWait === 'function') KBPasswordWait(" +
      js_string_literal(std::to_string(seconds)) + ")");
}

}  // namespace

bool print_allowed_now(kb::Kitebrook& app) {
  // A parent who switched printing off sees it off, whatever the limit says;
  // the allowance is only asked (and counted) while printing is on.
  if (app.state().print_allowed && app.print_allowance().can_print(app.state().print_limit))
    return true;
  app.message_box().show("Mommy says no more printing!");
  return false;
}

void go_back(kb::Kitebrook& app, const Args&) {
  if (app.state().can_go_back) app.main_window().view().web().go_back();
}

void go_forward(kb::Kitebrook& app, const Args&) {
  if (app.state().can_go_forward) app.main_window().view().web().go_forward();
}

void go_home(kb::Kitebrook& app, const Args&) {
  start_for_user(app, app.state().current_user);
}

void go_print(kb::Kitebrook& app, const Args&) {
  if (print_allowed_now(app)) app.main_window().view().web().print();
}

void go_exit(kb::Kitebrook& app, const Args&) {
  if (app.state().pwd_on_exit) {
    app.state().pwd_mode = kb::PasswordMode::Exit;
    show_password_page(app);
  } else {
    app.exit_program();
  }
}

void go_parent(kb::Kitebrook& app, const Args&) {
  app.state().pwd_mode = kb::PasswordMode::Config;
  show_password_page(app);
}

void process_pwd_entry(kb::Kitebrook& app, const Args& args) {
  try {
    kb::PasswordAttempts& attempts = app.state().password_attempts;
    const std::time_t now = app.clock().now();
    if (const long wait = attempts.wait_seconds(now); wait > 0) {
      show_wait(app, wait);
      return;
    }
    // The stored password is read at each entry, so a new one applies at once.
    const std::string& entry = args[0];
    const KBConfigIO::PasswordCheck check =
        KBConfigIO::check_password(KBConfigIO::stored_password(app.config_file()), entry);
    if (check == KBConfigIO::PasswordCheck::Wrong) {
      attempts.wrong(now);
      wrong_password(app);
      if (const long wait = attempts.wait_seconds(now); wait > 0) show_wait(app, wait);
      return;
    }
    attempts.correct();
    // A password an older version kept as text is stored as a hash from now on.
    if (check == KBConfigIO::PasswordCheck::CorrectPlainText)
      KBConfigIO::updatepwd(app.config_file(), entry, app.message_box());
    if (app.state().pwd_mode == kb::PasswordMode::Exit) {
      app.exit_program();
    } else if (app.state().pwd_mode == kb::PasswordMode::Config) {
      show_config_main(app);
    } else if (app.state().pwd_mode == kb::PasswordMode::Approve) {
      show_approval_page(app);
    }
  } catch (const std::exception& e) {
    // The password check ends quietly for the person; the log says why.
    std::cerr << "kitebrook: PROCESS_PWD_ENTRY ended: " << describe(e) << '\n';
  }
}

void pwd_cancel(kb::Kitebrook& app, const Args& args) {
  reload_control_bar(app);
  app.platform().pause(std::chrono::milliseconds(500));
  load_controls(app);
  go_back(app, args);
}

}  // namespace KBVBHTMLInterfaces
