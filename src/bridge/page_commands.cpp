#include "bridge/command_handlers.h"
#include "bridge/error_text.h"
#include "bridge/page_loader.h"
#include "bridge/script_call.h"
#include "common/kb_error.h"
#include "config/kb_config_io.h"
#include "shell/kitebrook.h"
#include "shell/paths.h"
#include "shell/stay_on_sites.h"

namespace KBVBHTMLInterfaces {
namespace {

// A name for a file in the Data folder: no folder separators, not "." or "..".
bool is_plain_file_name(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\\') == std::string::npos && name.find('\0') == std::string::npos;
}

// Replaces the main window by a new one, loaded and made invisible.
kb::frmBrowser& recreate_main_window(kb::Kitebrook& app) {
  app.unload_main_window();
  kb::frmBrowser& window = app.main_window();
  window.view().set_visible(false);
  return window;
}

}  // namespace

void start_for_user(kb::Kitebrook& app, const std::string& name) {
  // A start (Home included) ends what the parent allowed for this visit only.
  app.state().approvals.end_visit(app.state().current_user);
  app.state().current_user = name;
  kb::load_child_rules(app);
  load_page(app, app.state().folders.page("UserStart.html"));
  app.platform().event_step();
}

void start_for_user_in_new_window(kb::Kitebrook& app, const Args& args) {
  recreate_main_window(app).view().show();
  app.platform().event_step();
  start_for_user(app, args[0]);
}

void exit_config(kb::Kitebrook& app, const Args&) {
  app.unload_main_window();
  app.set_splash_visible(true);
  kb::frmBrowser& window = app.main_window();
  window.view().set_visible(false);
  const std::string& user = app.state().current_user;
  if (user.empty() || !KBConfigIO::user_exists(app.config_file(), user)) {
    window.view().set_visible(false);
    window.view().show();
    load_page(app, app.state().folders.page("SelectUser.htm"));
    app.main_window().view().set_visible(true);
  } else {
    start_for_user(app, user);
    app.main_window().view().show();
  }
  app.set_splash_visible(false);
}

void load_user_sites(kb::Kitebrook& app, const Args&) {
  try {
    app.main_window().view().web().run_script(js_call("Load_Sites", {app.state().current_user}));
  } catch (const std::exception& e) {
    // Misspelt and unspaced on purpose: PageCommands.LoadSitesIntoAPageWithoutTheFunctionIsReported
    app.message_box().show("Error in laod_user_sites" + describe(e));
  }
}

void save_config_file(kb::Kitebrook& app, const Args& args) {
  const std::string& file_name = args[1];  // a copy: a command run meanwhile cannot change it
  try {
    if (!is_plain_file_name(file_name))
      throw kb::bad_file_name("Bad file name: \"" + file_name + "\" must be a plain file name");
    const std::string text = app.main_window().view().web().run_script(
        "document.getElementById(" + js_string_literal("menuframe.vbData") + ").innerHTML");
    KBConfigIO::save_xml_file(app.config_file(), app.state().folders.config_folder() / file_name,
                              text);
  } catch (const std::exception& e) {
    app.message_box().show(describe(e));
  }
}

}  // namespace KBVBHTMLInterfaces
