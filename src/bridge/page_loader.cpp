#include "bridge/page_loader.h"

#include <chrono>

#include "bridge/error_text.h"
#include "bridge/script_call.h"
#include "config/kb_config_io.h"
#include "shell/kitebrook.h"
#include "shell/paths.h"

namespace KBVBHTMLInterfaces {
namespace {

using kb::Kitebrook;

constexpr std::chrono::milliseconds kControlsPause{500};

std::string page(Kitebrook& app, const char* file) {
  return app.state().folders.page(file);
}

void navigate_web(Kitebrook& app, const std::string& path) {
  app.platform().event_step();
  app.main_window().view().web().navigate(path);
  app.platform().event_step();
}

// Sets the control bar up for a host page; answers false for any other page.
bool load_host_page_title(Kitebrook& app, const std::string& path) {
  const char* title = nullptr;
  bool welcome = false;
  if (path == page(app, "SelectUser.htm")) {
    welcome = !KBConfigIO::users_defined(app.config_file());
    title = welcome ? "Kitebrook Configuration" : "Select a User to Begin";
  } else if (path == page(app, "password.htm")) {
    title = "Password Required";
  } else if (path == page(app, "KBConfigmain.htm")) {
    title = "Kitebrook Configuration";
  } else if (path == page(app, "RepairSettings.htm")) {
    title = "Kitebrook Settings";
  } else if (path == page(app, "Approve.html")) {
    title = "Allow This Page?";
  } else if (path.empty() || path == "http:///") {
    // "http:///" as the pages send it: StartUp.TitleModeFollowsTheHostPagesAndTheChildsPages
    title = "Kitebrook";
  }
  if (!title) return false;
  reload_control_bar(app);
  if (welcome) show_welcome(app);
  app.state().control_bar_title_mode = true;
  load_control_msg(app, title);
  return true;
}

}  // namespace

void reload_control_bar(Kitebrook& app) {
  app.main_window().view().brwControls().navigate(page(app, "KBControls.html"));
  app.platform().event_step();
}

void load_page(Kitebrook& app, const std::string& path) {
  try {
    navigate_web(app, path);
    if (load_host_page_title(app, path)) return;
    if (app.state().control_bar_title_mode) {
      reload_control_bar(app);
      app.platform().pause(kControlsPause);
      load_controls(app);
      app.state().control_bar_title_mode = false;
    }
  } catch (const std::exception& e) {
    app.message_box().show("Error in load_page, loading: " + path + ":error:" + describe(e));
  }
}

void navigate_content(Kitebrook& app, const std::string& path) {
  try {
    navigate_web(app, path);
  } catch (const std::exception& e) {
    app.message_box().show("Error in load_page, loading: " + path + ":error:" + describe(e));
  }
}

void load_control_msg(Kitebrook& app, const std::string& text) {
  try {
    app.main_window().view().brwControls().run_script(js_call("WriteMsg", {text}));
  } catch (const std::exception& e) {
    // Unspaced on purpose: StartUp.AScriptCallIntoAPageWithoutTheFunctionIsReported
    app.message_box().show("Error in load_control_msg" + describe(e));
  }
}

void load_controls(Kitebrook& app) {
  try {
    app.platform().event_step();
    app.main_window().view().brwControls().run_script(
        js_call("LoadControls", {"1", "1", "1", "1", "1", "1"}));
    app.platform().event_step();
  } catch (const std::exception& e) {
    // Unspaced on purpose: StartUp.AScriptCallIntoAPageWithoutTheFunctionIsReported
    app.message_box().show("Error in load_controls" + describe(e));
  }
}

void show_welcome(Kitebrook& app) {
  load_page(app, page(app, "SWelcome.html"));
}

}  // namespace KBVBHTMLInterfaces
