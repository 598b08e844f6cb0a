#pragma once

#include <webkit/webkit.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/gobject_ptr.h"
#include "shell/browser_control.h"
#include "shell/platform.h"

namespace kb::gtk {

// Which of the main window's three browser controls a view plays.
enum class ControlRole { ControlBar, Content, NewWindow };

// Prints the page of a view; the real one opens the engine's print dialog.
using PrintHandler = std::function<void(WebKitWebView* view)>;

// A WebKit web view as one of the main window's browser controls. It turns
// the engine's signals into the window's events, each run on a later turn of
// the main loop so that a handler may run events or replace the window.
class WebViewControl : public BrowserControl {
 public:
  WebViewControl(ControlRole role, MainWindowEvents& events, const PrintHandler& printer,
                 WebKitWebView* view);
  ~WebViewControl() override;
  WebViewControl(const WebViewControl&) = delete;
  WebViewControl& operator=(const WebViewControl&) = delete;

  WebKitWebView* view() const { return view_; }
  GtkWidget* widget() const { return GTK_WIDGET(view_.get()); }
  // Hands a new page window's view to this control (the engine makes a new
  // view for every page that opens a window).
  void adopt(WebKitWebView* view);

  void navigate(const std::string& path_or_url) override;
  void go_back() override;
  void go_forward() override;
  void print() override;
  std::string location_url() const override;
  std::string run_script(const std::string& script) override;
  std::string run_script_now(const std::string& script) override;

 private:
  static gboolean on_decide_policy(WebKitWebView* view, WebKitPolicyDecision* decision,
                                   WebKitPolicyDecisionType type, gpointer self);
  static void on_load_changed(WebKitWebView* view, WebKitLoadEvent event, gpointer self);
  static gboolean on_load_failed(WebKitWebView* view, WebKitLoadEvent event, gchar* uri,
                                 GError* error, gpointer self);
  static gboolean on_print(WebKitWebView* view, WebKitPrintOperation* op, gpointer self);
  static void on_responsiveness_changed(WebKitWebView* view, GParamSpec* pspec, gpointer self);
  static void on_history_changed(WebKitBackForwardList* list, WebKitBackForwardListItem* added,
                                 gpointer removed, gpointer self);

  // The signals' work, run inside their guards.
  gboolean decide_policy(WebKitPolicyDecision* decision, WebKitPolicyDecisionType type);
  void load_changed(WebKitWebView* view, WebKitLoadEvent event);
  void load_failed(const char* failing_uri, const GError* error);
  void print_requested();

  void connect();
  void disconnect();
  // What the engine knows of a navigation, as the shell receives it.
  NavigationRequest describe(WebKitNavigationAction* action);
  // `uri` is the navigation's address in the engine's own spelling.
  void decide_navigation(WebKitPolicyDecision* decision, const NavigationRequest& request,
                         const std::string& uri);
  // Follows the requested load through the engine's load events.
  void track_pending_load(WebKitLoadEvent event);
  bool before_navigate(const NavigationRequest& request);
  // Takes a load or history step of the program's (see step_).
  void take_step(const std::function<void(WebKitWebView*)>& step);
  // A page asked a question: the site's page asking is ended if it holds the
  // program's waiting step.
  void page_asked();
  // Ends the process of a site's page that holds the program's waiting step,
  // then takes the step again.
  void end_stuck_site();
  // The committed document is not one of the host's pages.
  bool showing_site() const;
  void wait_until_loaded();
  // Runs `task` later unless this control is gone by then.
  void later(std::function<void(WebViewControl&)> task);

  ControlRole role_;
  MainWindowEvents& events_;
  const PrintHandler& printer_;
  GObjectPtr<WebKitWebView> view_;
  std::string committed_address_;
  // The load navigate() asked for, until the engine finished it, failed it
  // or the filter refused it. A script call waits for it, so that it runs in
  // the document that load produced, after that document's own scripts ran.
  // The URI is the engine's own spelling of it; `started` and `committed`
  // tell this load's events from those of a load it replaced (which may have
  // the same address).
  struct PendingLoad {
    std::string uri;
    bool started = false;
    bool committed = false;
  };
  std::optional<PendingLoad> pending_;
  // The content area's last load or history step the program asked for,
  // until the engine starts it, and the view's address just after it was asked.
  std::function<void(WebKitWebView*)> step_;
  std::string step_address_;
  // The URI of the program's last load until its navigation is decided.
  std::string program_uri_;
  // The next navigation is the first page of a new window (set by adopt()).
  bool opens_new_window_ = false;
  // The last load failed or was refused (set by load-failed, until the next start).
  bool load_failed_ = false;
  // A page's print call is being handled; one was refused on the page shown.
  bool page_print_busy_ = false;
  bool page_print_refused_ = false;
  std::shared_ptr<WebViewControl*> self_;
};

// Creates a view with the settings every browser control shares.
WebKitWebView* new_web_view(WebKitWebView* related = nullptr);

// The address the program uses for an engine URI: a plain path for a local file.
std::string address_of_uri(const char* uri);

}  // namespace kb::gtk
