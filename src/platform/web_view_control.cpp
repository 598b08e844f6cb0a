#include "platform/web_view_control.h"

#include <optional>
#include <utility>

#include "common/kb_error.h"
#include "platform/main_loop.h"
#include "platform/script_evaluation.h"
#include "platform/signal_guard.h"

namespace kb::gtk {
namespace {

constexpr std::chrono::milliseconds kLoadWait{5000};
constexpr std::chrono::milliseconds kScriptWait{10000};

NavigationType navigation_type(WebKitNavigationType type) {
  switch (type) {
    case WEBKIT_NAVIGATION_TYPE_LINK_CLICKED:
      return NavigationType::LinkClicked;
    case WEBKIT_NAVIGATION_TYPE_FORM_SUBMITTED:
      return NavigationType::FormSubmitted;
    case WEBKIT_NAVIGATION_TYPE_FORM_RESUBMITTED:
      return NavigationType::FormResubmitted;
    case WEBKIT_NAVIGATION_TYPE_BACK_FORWARD:
      return NavigationType::BackForward;
    case WEBKIT_NAVIGATION_TYPE_RELOAD:
      return NavigationType::Reload;
    case WEBKIT_NAVIGATION_TYPE_OTHER:
      break;
  }
  return NavigationType::Other;
}

// Files, links and text dropped on a view do nothing: no navigation, no
// upload. The target sits before the engine's own (capture phase), takes
// every drag and answers every drop with "no action".
void refuse_drops(GtkWidget* widget) {
  GtkDropTargetAsync* target = gtk_drop_target_async_new(
      nullptr, static_cast<GdkDragAction>(GDK_ACTION_COPY | GDK_ACTION_MOVE | GDK_ACTION_LINK));
  gtk_event_controller_set_propagation_phase(GTK_EVENT_CONTROLLER(target), GTK_PHASE_CAPTURE);
  g_signal_connect(target, "accept",
                   G_CALLBACK(+[](GtkDropTargetAsync*, GdkDrop*, gpointer) { return TRUE; }),
                   nullptr);
  const auto no_action = +[](GtkDropTargetAsync*, GdkDrop*, double, double, gpointer) {
    return static_cast<GdkDragAction>(0);
  };
  g_signal_connect(target, "drag-enter", G_CALLBACK(no_action), nullptr);
  g_signal_connect(target, "drag-motion", G_CALLBACK(no_action), nullptr);
  g_signal_connect(target, "drop",
                   G_CALLBACK(+[](GtkDropTargetAsync*, GdkDrop* drop, double, double, gpointer) {
                     gdk_drop_finish(drop, static_cast<GdkDragAction>(0));
                     return TRUE;
                   }),
                   nullptr);
  gtk_widget_add_controller(widget, GTK_EVENT_CONTROLLER(target));
}

// Each view knows the view it was made related to (the page that opened its
// window shares that one's process), and the control it plays.
constexpr char kRelatedView[] = "kb-related-view";
constexpr char kControl[] = "kb-control";

void remember_related(WebKitWebView* view, WebKitWebView* related) {
  auto* ref = g_new0(GWeakRef, 1);
  g_weak_ref_init(ref, related);
  g_object_set_data_full(
      G_OBJECT(view), kRelatedView, ref, +[](gpointer ref) {
        g_weak_ref_clear(static_cast<GWeakRef*>(ref));
        g_free(ref);
      });
}

}  // namespace

std::string address_of_uri(const char* uri) {
  if (!uri) return {};
  if (g_str_has_prefix(uri, "file:")) {
    g_autofree char* path = g_filename_from_uri(uri, nullptr, nullptr);
    if (path) return path;
  }
  return uri;
}

WebKitWebView* new_web_view(WebKitWebView* related) {
  WebKitWebView* view =
      related
          // A related view shares the scripts the host adds to its pages.
          ? WEBKIT_WEB_VIEW(
                g_object_new(WEBKIT_TYPE_WEB_VIEW, "related-view", related, "user-content-manager",
                             webkit_web_view_get_user_content_manager(related), nullptr))
          : WEBKIT_WEB_VIEW(webkit_web_view_new());
  if (related) remember_related(view, related);
  WebKitSettings* settings = webkit_web_view_get_settings(view);
  // The host's pages read the configuration through the host
  // (kitebrook://config), never the file itself: no page reads files.
  webkit_settings_set_allow_file_access_from_file_urls(settings, FALSE);
  webkit_settings_set_allow_universal_access_from_file_urls(settings, FALSE);
  webkit_settings_set_javascript_can_open_windows_automatically(settings, TRUE);
  webkit_settings_set_enable_developer_extras(settings, FALSE);
  // No page may go full screen over the control bar.
  webkit_settings_set_enable_fullscreen(settings, FALSE);
  return view;
}

WebViewControl::WebViewControl(ControlRole role, MainWindowEvents& events,
                               const PrintHandler& printer, WebKitWebView* view)
    : role_(role),
      events_(events),
      printer_(printer),
      view_(GObjectPtr<WebKitWebView>::sink(view)),
      self_(std::make_shared<WebViewControl*>(this)) {
  connect();
}

WebViewControl::~WebViewControl() {
  *self_ = nullptr;
  disconnect();
}

void WebViewControl::adopt(WebKitWebView* view) {
  disconnect();
  view_ = GObjectPtr<WebKitWebView>::sink(view);
  committed_address_.clear();
  pending_.reset();
  program_uri_.clear();
  opens_new_window_ = true;
  connect();
}

void WebViewControl::connect() {
  g_object_set_data(G_OBJECT(view_.get()), kControl, this);
  refuse_drops(GTK_WIDGET(view_.get()));
  g_signal_connect(view_, "decide-policy", G_CALLBACK(on_decide_policy), this);
  g_signal_connect(view_, "load-changed", G_CALLBACK(on_load_changed), this);
  g_signal_connect(view_, "load-failed", G_CALLBACK(on_load_failed), this);
  g_signal_connect(view_, "print", G_CALLBACK(on_print), this);
  // No page may read the child's files: a file chooser is cancelled before
  // anything is shown.
  g_signal_connect(view_, "run-file-chooser",
                   G_CALLBACK(+[](WebKitWebView*, WebKitFileChooserRequest* request, gpointer) {
                     webkit_file_chooser_request_cancel(request);
                     return TRUE;
                   }),
                   this);
  // A page's messages and questions are answered at once and shown to nobody:
  // one left open holds the page's process, and with it the program's next
  // step, for as long as the page keeps asking. Leaving a page is always
  // allowed; a page still asking while the program's step waits is ended.
  g_signal_connect(view_, "script-dialog",
                   G_CALLBACK(+[](WebKitWebView*, WebKitScriptDialog* dialog, gpointer data) {
                     if (webkit_script_dialog_get_dialog_type(dialog) ==
                         WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM)
                       webkit_script_dialog_confirm_set_confirmed(dialog, TRUE);
                     else
                       guarded("script-dialog",
                               [&] { static_cast<WebViewControl*>(data)->page_asked(); });
                     return TRUE;
                   }),
                   this);
  // No page may take the pointer away from the buttons, nor reach the camera,
  // the microphone, the child's place or the desktop's notifications.
  g_signal_connect(view_, "permission-request",
                   G_CALLBACK(+[](WebKitWebView*, WebKitPermissionRequest* request, gpointer) {
                     webkit_permission_request_deny(request);
                     return TRUE;
                   }),
                   this);
  // No context menu on any document, the first page included.
  g_signal_connect(view_, "context-menu",
                   G_CALLBACK(+[](WebKitWebView*, WebKitContextMenu*, WebKitHitTestResult*,
                                  gpointer) { return TRUE; }),
                   this);
  if (role_ != ControlRole::Content) return;
  g_signal_connect(webkit_web_view_get_back_forward_list(view_), "changed",
                   G_CALLBACK(on_history_changed), this);
  g_signal_connect(view_, "notify::is-web-process-responsive",
                   G_CALLBACK(on_responsiveness_changed), this);
  // A step within the document (the history a page pushed) starts no load.
  g_signal_connect(view_, "notify::uri",
                   G_CALLBACK(+[](WebKitWebView* view, GParamSpec*, gpointer data) {
                     auto* self = static_cast<WebViewControl*>(data);
                     if (g_strcmp0(webkit_web_view_get_uri(view), self->step_address_.c_str()))
                       self->step_ = nullptr;
                   }),
                   this);
}

void WebViewControl::disconnect() {
  g_object_set_data(G_OBJECT(view_.get()), kControl, nullptr);
  g_signal_handlers_disconnect_by_data(view_, this);
  g_signal_handlers_disconnect_by_data(webkit_web_view_get_back_forward_list(view_), this);
}

void WebViewControl::later(std::function<void(WebViewControl&)> task) {
  std::weak_ptr<WebViewControl*> weak = self_;
  run_soon([weak, task = std::move(task)] {
    if (auto self = weak.lock(); self && *self) task(**self);
  });
}

gboolean WebViewControl::on_decide_policy(WebKitWebView*, WebKitPolicyDecision* decision,
                                          WebKitPolicyDecisionType type, gpointer data) {
  auto* self = static_cast<WebViewControl*>(data);
  const auto handled = guarded(
      "decide-policy",
      [&]() -> std::optional<gboolean> { return self->decide_policy(decision, type); },
      std::optional<gboolean>());
  if (handled) return *handled;
  // A decision that could not be made is a refusal.
  webkit_policy_decision_ignore(decision);
  return TRUE;
}

gboolean WebViewControl::decide_policy(WebKitPolicyDecision* decision,
                                       WebKitPolicyDecisionType type) {
  switch (type) {
    case WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION: {
      WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
          WEBKIT_NAVIGATION_POLICY_DECISION(decision));
      const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
      decide_navigation(decision, describe(action), uri ? uri : "");
      return TRUE;
    }
    case WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION:
      // Only the content area hands new windows on (to the hidden control).
      if (role_ == ControlRole::Content)
        webkit_policy_decision_use(decision);
      else
        webkit_policy_decision_ignore(decision);
      return TRUE;
    case WEBKIT_POLICY_DECISION_TYPE_RESPONSE:
      // Nothing is saved to disk: what the engine cannot show is refused.
      if (webkit_response_policy_decision_is_mime_type_supported(
              WEBKIT_RESPONSE_POLICY_DECISION(decision)))
        webkit_policy_decision_use(decision);
      else
        webkit_policy_decision_ignore(decision);
      return TRUE;
    default:
      return FALSE;
  }
}

NavigationRequest WebViewControl::describe(WebKitNavigationAction* action) {
  const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
  NavigationRequest request;
  request.url = address_of_uri(uri);
  request.type = navigation_type(webkit_navigation_action_get_navigation_type(action));
  request.is_redirect = webkit_navigation_action_is_redirect(action);
  request.user_gesture = webkit_navigation_action_is_user_gesture(action);
  request.committed_document = committed_address_;
  request.new_window = std::exchange(opens_new_window_, false);
  // The program's own load comes back as a plain navigation to the URI it
  // asked for; the first one that matches is it.
  request.by_program =
      uri && program_uri_ == uri && !request.is_redirect && request.type == NavigationType::Other;
  if (request.by_program) program_uri_.clear();
  // The engine names no frame. A redirect of the top document's load shows
  // as the view's address moving to the new URI before it is decided; the
  // program's loads and a new window's first page are the top document too.
  const char* view_uri = webkit_web_view_get_uri(view_);
  if (request.by_program || request.new_window ||
      (request.is_redirect && uri && view_uri && g_strcmp0(uri, view_uri) == 0))
    request.frame = NavigationFrame::Main;
  // Only a page can send a navigation on its way; a redirect is the server's,
  // a history step or a reload the person's or the program's.
  const bool from_page = !request.by_program && !request.new_window && !request.is_redirect &&
                         request.type != NavigationType::BackForward &&
                         request.type != NavigationType::Reload &&
                         request.type != NavigationType::FormResubmitted;
  if (from_page) request.sender_document = committed_address_;
  return request;
}

void WebViewControl::decide_navigation(WebKitPolicyDecision* decision,
                                       const NavigationRequest& request, const std::string& uri) {
  const bool command = is_command_url(request.url);
  // A command URL is never loaded; its command runs on a later turn.
  if (command) webkit_policy_decision_ignore(decision);
  std::weak_ptr<WebViewControl*> weak = self_;
  run_soon([weak, request, command, held = GObjectPtr<WebKitPolicyDecision>::share(decision), uri] {
    WebKitPolicyDecision* decision = held.get();
    bool cancel = true;
    if (auto self = weak.lock(); self && *self) cancel = (*self)->before_navigate(request);
    // The handler may have replaced the window, this control with it. A
    // refused load never starts: nothing waits for it any longer.
    if (auto self = weak.lock(); self && *self && cancel) {
      auto& pending = (*self)->pending_;
      if (pending && !pending->started && pending->uri == uri) pending.reset();
    }
    if (!command) {
      if (cancel)
        webkit_policy_decision_ignore(decision);
      else
        webkit_policy_decision_use(decision);
    }
  });
}

bool WebViewControl::before_navigate(const NavigationRequest& request) {
  return guarded(
      "before-navigate",
      [&] {
        switch (role_) {
          case ControlRole::ControlBar:
            return events_.brwControls_BeforeNavigate2(request);
          case ControlRole::Content:
            return events_.web_BeforeNavigate2(request);
          case ControlRole::NewWindow:
            return events_.wbbrwnewhidden_BeforeNavigate2(request);
        }
        return true;
      },
      true);
}

void WebViewControl::on_load_changed(WebKitWebView* view, WebKitLoadEvent event, gpointer data) {
  auto* self = static_cast<WebViewControl*>(data);
  guarded("load-changed", [&] { self->load_changed(view, event); });
}

void WebViewControl::load_changed(WebKitWebView* view, WebKitLoadEvent event) {
  track_pending_load(event);
  if (event == WEBKIT_LOAD_STARTED) {
    load_failed_ = false;
    step_ = nullptr;
  } else if (event == WEBKIT_LOAD_COMMITTED) {
    page_print_refused_ = false;
    committed_address_ = address_of_uri(webkit_web_view_get_uri(view));
    if (role_ == ControlRole::Content) {
      const std::string address = committed_address_;
      guarded("navigate-complete", [&] { events_.web_NavigateComplete2(address); });
    }
  } else if (event == WEBKIT_LOAD_FINISHED) {
    // A new window whose page failed or was refused has nothing to show.
    if (role_ == ControlRole::NewWindow && !load_failed_)
      later([](WebViewControl& c) {
        guarded("document-complete", [&] { c.events_.wbbrwnewhidden_DocumentComplete(); });
      });
  }
}

gboolean WebViewControl::on_load_failed(WebKitWebView*, WebKitLoadEvent, gchar* failing_uri,
                                        GError* error, gpointer data) {
  auto* self = static_cast<WebViewControl*>(data);
  guarded("load-failed", [&] { self->load_failed(failing_uri, error); });
  return FALSE;
}

void WebViewControl::load_failed(const char* failing_uri, const GError* error) {
  load_failed_ = true;
  // A load that a newer request replaced fails as cancelled, sometimes after
  // the newer one started; only a real failure of the requested load, or
  // the end of its committed document, ends the wait.
  const bool cancelled =
      g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED);
  if (pending_ && pending_->started &&
      (pending_->committed || (!cancelled && failing_uri && pending_->uri == failing_uri)))
    pending_.reset();
}

void WebViewControl::track_pending_load(WebKitLoadEvent event) {
  if (!pending_) return;
  // The engine names the address reliably from the redirect on; at the start
  // of a load the view may still report none.
  const char* current = webkit_web_view_get_uri(view_);
  switch (event) {
    case WEBKIT_LOAD_STARTED:
      pending_->started = true;
      break;
    case WEBKIT_LOAD_REDIRECTED:
      if (pending_->started && current) pending_->uri = current;
      break;
    case WEBKIT_LOAD_COMMITTED:
      if (pending_->started && current && pending_->uri == current) pending_->committed = true;
      break;
    case WEBKIT_LOAD_FINISHED:
      if (pending_->committed) pending_.reset();
      break;
  }
}

gboolean WebViewControl::on_print(WebKitWebView*, WebKitPrintOperation*, gpointer data) {
  auto* self = static_cast<WebViewControl*>(data);
  // The page's print is always taken from the engine, which would otherwise
  // open its own dialog.
  guarded("print-request", [&] { self->print_requested(); });
  return TRUE;
}

void WebViewControl::print_requested() {
  // A page's own print call goes through the same allowance as the print
  // button; the other controls never print. One call is handled at a time,
  // and once one was refused the page's further calls are ignored until
  // another page is shown, so a page cannot keep the child behind messages.
  if (role_ != ControlRole::Content || page_print_busy_ || page_print_refused_) return;
  page_print_busy_ = true;
  later([](WebViewControl& c) {
    // The message or the print dialog runs events: this control may be gone after.
    const std::weak_ptr<WebViewControl*> weak = c.self_;
    const bool allowed = guarded(
        "print", [&] { return c.events_.web_PrintRequested(); }, false);
    if (auto alive = weak.lock(); !alive || !*alive) return;
    if (allowed) guarded("print", [&] { c.print(); });
    if (auto alive = weak.lock(); !alive || !*alive) return;
    c.page_print_busy_ = false;
    if (!allowed) c.page_print_refused_ = true;
  });
}

void WebViewControl::on_history_changed(WebKitBackForwardList*, WebKitBackForwardListItem*,
                                        gpointer, gpointer data) {
  auto* self = static_cast<WebViewControl*>(data);
  guarded("command-state", [&] {
    const bool forward = webkit_web_view_can_go_forward(self->view_);
    const bool back = webkit_web_view_can_go_back(self->view_);
    self->events_.web_CommandStateChange(NavigationCommand::Forward, forward);
    self->events_.web_CommandStateChange(NavigationCommand::Back, back);
  });
}

void WebViewControl::on_responsiveness_changed(WebKitWebView* view, GParamSpec*, gpointer data) {
  auto* self = static_cast<WebViewControl*>(data);
  if (!webkit_web_view_get_is_web_process_responsive(view))
    guarded("responsiveness", [&] { self->end_stuck_site(); });
}

void WebViewControl::page_asked() {
  if (role_ != ControlRole::NewWindow) return end_stuck_site();
  // An opened window's page runs in its opener's process.
  auto* ref = static_cast<GWeakRef*>(g_object_get_data(G_OBJECT(view_.get()), kRelatedView));
  g_autoptr(GObject) opener = ref ? G_OBJECT(g_weak_ref_get(ref)) : nullptr;
  if (auto* control =
          opener ? static_cast<WebViewControl*>(g_object_get_data(opener, kControl)) : nullptr)
    control->end_stuck_site();
}

void WebViewControl::end_stuck_site() {
  if (!step_ || !showing_site()) return;
  later([step = std::exchange(step_, nullptr)](WebViewControl& c) {
    webkit_web_view_terminate_web_process(c.view_);
    step(c.view_);
  });
}

bool WebViewControl::showing_site() const {
  return !committed_address_.empty() && committed_address_.front() != '/';
}

void WebViewControl::take_step(const std::function<void(WebKitWebView*)>& step) {
  // A site's page that holds its process (a script that never ends) holds
  // the program's load or history step too, for good: once the engine finds
  // the process not answering, or the page asks a question meanwhile, the
  // process is ended and the step taken in a new one. The host's pages share
  // their process with the control bar: never ended.
  if (role_ != ControlRole::Content) return step(view_);
  if (!webkit_web_view_get_is_web_process_responsive(view_) && showing_site())
    webkit_web_view_terminate_web_process(view_);
  step(view_);
  const char* address = webkit_web_view_get_uri(view_);
  step_address_ = address ? address : "";
  step_ = step;
}

void WebViewControl::navigate(const std::string& path_or_url) {
  std::string uri = path_or_url;
  if (!path_or_url.empty() && path_or_url.front() == '/') {
    g_autofree char* file_uri = g_filename_to_uri(path_or_url.c_str(), nullptr, nullptr);
    if (!file_uri) throw bad_file_name("Bad file name: " + path_or_url);
    uri = file_uri;
  }
  program_uri_ = uri;
  take_step([uri](WebKitWebView* view) { webkit_web_view_load_uri(view, uri.c_str()); });
  // The view's address is now the requested one, in the engine's spelling,
  // which its load events will report.
  const char* requested = webkit_web_view_get_uri(view_);
  pending_ = PendingLoad{requested ? requested : uri};
}

void WebViewControl::go_back() {
  if (!webkit_web_view_can_go_back(view_)) throw engine_failure("There is no page to go back to");
  take_step(webkit_web_view_go_back);
}

void WebViewControl::go_forward() {
  if (!webkit_web_view_can_go_forward(view_))
    throw engine_failure("There is no page to go forward to");
  take_step(webkit_web_view_go_forward);
}

void WebViewControl::print() {
  printer_(view_);
}

std::string WebViewControl::location_url() const {
  return committed_address_;
}

void WebViewControl::wait_until_loaded() {
  std::weak_ptr<WebViewControl*> weak = self_;
  run_events_until(
      [&] {
        auto self = weak.lock();
        // The load the program asked for, and any other the view is busy
        // with (a step in the history, a page's own navigation).
        return !self || !*self ||
               (!(*self)->pending_ && !webkit_web_view_is_loading((*self)->view_));
      },
      kLoadWait);
  // The events may have destroyed this control: ask the weak pointer, never
  // this object's own members.
  const auto alive = weak.lock();
  if (!alive || !*alive) throw engine_failure("The page was closed");
}

std::string WebViewControl::run_script(const std::string& script) {
  wait_until_loaded();
  return evaluate_script(view_, script, kScriptWait);
}

std::string WebViewControl::run_script_now(const std::string& script) {
  return evaluate_script(view_, script, kScriptWait);
}

}  // namespace kb::gtk
