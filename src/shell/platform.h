#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "common/message_box.h"
#include "layout/elastic_form.h"
#include "shell/browser_control.h"

namespace kb {

// A navigation about to start in one of the main window's browser controls.
struct NavigationRequest {
  std::string url;              // as the control reports it (a path for a local file)
  std::string sender_document;  // the document being left, empty when there is none
};

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
  // command 1 is forward, 2 is back.
  virtual void web_CommandStateChange(int command, bool enabled) = 0;
  virtual void wbbrwnewhidden_DocumentComplete() = 0;
  // A page asked to print (a script's print call); answers whether it may.
  virtual bool web_PrintRequested() = 0;
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
