#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "common/message_box.h"
#include "common/text_case.h"
#include "layout/elastic_form.h"
#include "shell/browser_control.h"

namespace kb {

// Pages send commands by navigating to "VBCONTAINER:" followed by the
// command; the prefix is recognised in any letter case.
inline constexpr std::string_view kCommandPrefix = "VBCONTAINER:";

// True when the first twelve characters, upper-cased, are the command prefix.
inline bool is_command_url(std::string_view url) {
  return url.size() >= kCommandPrefix.size() &&
         equals_ignoring_case(url.substr(0, kCommandPrefix.size()), kCommandPrefix);
}

// What started a navigation, as the engine reports it.
enum class NavigationType {
  LinkClicked,      // a link was followed
  FormSubmitted,    // a form was sent
  FormResubmitted,  // a form was sent again (a reload or a history step to a form's answer)
  BackForward,      // a step in the history
  Reload,           // the page was loaded again
  Other,            // a script, a refresh, the program itself
};

// Which document of the control a navigation replaces.
enum class NavigationFrame {
  Main,     // the control's top document
  Unknown,  // a page started it; the engine does not say whether for the top document or a frame
};

// A navigation about to start in one of the main window's browser controls,
// with what the engine knows of it.
struct NavigationRequest {
  // As the control reports it (a path for a local file).
  std::string url;
  // The document that started the navigation: the document committed in the
  // control when a page (that document, or a frame inside it) asked for it.
  // Empty when no page of this control started it: a redirect, a step in the
  // history, a reload, a navigation the program started, the first page of a
  // new window, or a control that shows no document yet.
  std::string sender_document;
  NavigationType type = NavigationType::Other;
  // The server (an HTTP redirect) moved an earlier navigation to this URL.
  bool is_redirect = false;
  NavigationFrame frame = NavigationFrame::Unknown;
  // The program itself asked for it (BrowserControl::navigate).
  bool by_program = false;
  // The first page of a window a page asked to open.
  bool new_window = false;
  // The person's click or key press started it.
  bool user_gesture = false;
  // The document committed in the control when the navigation was asked for;
  // for a redirect or a history step that is not the document that started it.
  std::string committed_document;
};

// The content view's history steps, as its command-state changes name them.
enum class NavigationCommand { Forward = 1, Back = 2 };

// What the main window's browser controls and the window itself report. The
// platform calls these on the user-interface thread, never from inside the
// engine's own signal emission, so a handler may run events and even replace
// the main window.
class MainWindowEvents {
 public:
  virtual ~MainWindowEvents() = default;
  // The window's client area changed size. Raised while the window lays out
  // its controls, so it may move them through form() but must not run events.
  virtual void Form_Resize() = 0;
  // Each answers whether the navigation is cancelled.
  virtual bool web_BeforeNavigate2(const NavigationRequest& request) = 0;
  virtual bool brwControls_BeforeNavigate2(const NavigationRequest& request) = 0;
  virtual bool wbbrwnewhidden_BeforeNavigate2(const NavigationRequest& request) = 0;
  virtual void web_NavigateComplete2(const std::string& url) = 0;
  // Whether the content view can now go the way `command` names.
  virtual void web_CommandStateChange(NavigationCommand command, bool enabled) = 0;
  virtual void wbbrwnewhidden_DocumentComplete() = 0;
  // A page asked to print (a script's print call); answers whether it may.
  virtual bool web_PrintRequested() = 0;
  // The person asked to close the window from outside the pages (the window
  // manager's close button, Alt+F4). The window stays; the handler decides.
  virtual void Form_QueryUnload() = 0;
};

// The main window as the program uses it: three browser controls, a caption,
// visibility, the maximized state, and the window as the proportional layout
// sees it.
class MainWindowView {
 public:
  virtual ~MainWindowView() = default;
  virtual BrowserControl& brwControls() = 0;
  virtual BrowserControl& web() = 0;
  virtual BrowserControl& wbbrwnewhidden() = 0;
  virtual std::string caption() const = 0;
  virtual void set_caption(const std::string& caption) = 0;
  virtual void set_visible(bool visible) = 0;
  virtual void show() = 0;
  virtual void maximize() = 0;
  // The window's size and its controls brwControls, web and wbbrwnewhidden
  // (in that order) for the proportional layout.
  virtual ElasticForm& form() = 0;
};

// The splash window with its two-second timer.
class SplashView {
 public:
  virtual ~SplashView() = default;
  virtual void set_visible(bool visible) = 0;
  virtual void unload() = 0;
};

class SplashEvents {
 public:
  virtual ~SplashEvents() = default;
  virtual void Timer1_Timer() = 0;
};

// The windowing layer: windows, the message box, event step, pause, and the
// end of the program.
class Platform {
 public:
  virtual ~Platform() = default;
  virtual std::unique_ptr<MainWindowView> create_main_window(MainWindowEvents& events) = 0;
  // Loads the splash window and starts its timer; a loaded splash is returned as is.
  virtual SplashView& load_splash(SplashEvents& events) = 0;
  virtual MessageBox& message_box() = 0;
  // Lets every pending event run, then returns.
  virtual void event_step() = 0;
  // Runs `task` on a later turn of the event loop.
  virtual void run_soon(std::function<void()> task) = 0;
  // Blocks the user-interface thread without running events.
  virtual void pause(std::chrono::milliseconds duration) = 0;
  // Ends the program at once.
  virtual void end_program() = 0;
};

}  // namespace kb
