#include "shell/frm_browser.h"

#include <glib.h>

#include <cctype>
#include <iostream>

#include "bridge/command_dispatcher.h"
#include "bridge/command_handlers.h"
#include "bridge/page_loader.h"
#include "bridge/print_commands.h"
#include "bridge/script_call.h"
#include "shell/command_sender.h"
#include "shell/kitebrook.h"
#include "shell/paths.h"
#include "shell/stay_on_sites.h"

namespace kb {
namespace {

// Whether a new window shows something that may go on to the content area:
// a web address. A window whose page failed, was refused or has no address
// (empty, about:blank, data:, blob:) leaves the content area and the control
// bar as they are.
bool is_web_address(const std::string& address) {
  const char* scheme = g_uri_peek_scheme(address.c_str());
  return scheme && (g_str_equal(scheme, "http") || g_str_equal(scheme, "https"));
}

}  // namespace

frmBrowser::frmBrowser(Kitebrook& app) : app_(app) {}

frmBrowser::~frmBrowser() = default;

void frmBrowser::load(Platform& platform) {
  view_ = platform.create_main_window(*this);
  Form_Load();
}

void frmBrowser::unload() {
  unloaded_ = true;
  if (view_) view_->set_visible(false);
}

void frmBrowser::Form_Load() {
  saved_caption_ = view_->caption();
  // The design is recorded at the window's designed size, before maximizing
  // changes it; every resize from then on, maximizing included, rescales the
  // controls from that recording.
  elastic_.record(view_->form());
  view_->maximize();
  elastic_.layout(view_->form());
}

void frmBrowser::Form_Resize() {
  if (!view_ || unloaded_) return;
  elastic_.resized(view_->form());
}

std::optional<std::string_view> frmBrowser::run_command(const NavigationRequest& request,
                                                        KBVBHTMLInterfaces::Percent20 spaces) {
  // Only the host's own pages may command the host: a web site, a page it
  // opened, its redirects and the history are refused.
  if (!sent_by_host_page(request, app_.state().folders)) return std::nullopt;
  return KBVBHTMLInterfaces::parse_command(app_, request.url, spaces);
}

void frmBrowser::notify_command_done(const NavigationRequest& request, std::string_view name) {
  // Commands run on a later turn than the page sent them, so a page that
  // sends several in a row, or reads the configuration back, waits for this
  // call. It goes only to the page that sent the command, if still shown.
  if (unloaded_) return;
  BrowserControl& web = view_->web();
  if (web.location_url() != request.sender_document) return;
  try {
    web.run_script("if (typeof kbCommandDone === 'function') kbCommandDone(" +
                   KBVBHTMLInterfaces::js_string_literal(name) + ")");
  } catch (const std::exception& e) {
    std::cerr << "kitebrook: the page did not take the end of " << name << ": " << e.what() << '\n';
  }
}

bool frmBrowser::web_BeforeNavigate2(const NavigationRequest& request) {
  Kitebrook::HandlerScope scope(app_);
  if (unloaded_) return true;
  ProgramState& state = app_.state();
  const std::string& url = request.url;
  if (!state.current_user.empty()) {
    const char last =
        static_cast<char>(std::toupper(static_cast<unsigned char>(state.current_user.back())));
    state.user_possessive = state.current_user + (last == 'S' ? "'" : "'s");
  }
  bool cancel = false;
  if (is_command_url(url)) {
    if (const auto name = run_command(request, KBVBHTMLInterfaces::Percent20::AsSpace)) {
      notify_command_done(request, *name);
      // The wizard's last step saves this setting before the command that
      // moves it on.
      if (*name != "UPDATESTAYONSITES") wizard_hook();
    }
    // The wizard's next page replaces the command navigation; cancelling it
    // as well keeps the engine from trying to load the command URL.
    cancel = true;
  } else if (const ContentVerdict verdict = decide_content_navigation(app_, request, false);
             verdict != ContentVerdict::Load) {
    cancel = true;
    if (verdict == ContentVerdict::ShowRefusal && !unloaded_) show_refusal_page(app_, url);
  } else if (!unloaded_) {
    view_->set_caption(state.user_possessive + saved_caption_ + "--" + url);
  }
  // "http:///" as the pages send it: NavigationFilter.CaptionNamesTheUserAndTheAddress
  if (url == "http:///" || url.empty()) cancel = true;
  return cancel;
}

bool frmBrowser::brwControls_BeforeNavigate2(const NavigationRequest& request) {
  Kitebrook::HandlerScope scope(app_);
  if (unloaded_) return true;
  if (!is_command_url(request.url)) return false;
  run_command(request, KBVBHTMLInterfaces::Percent20::AsWritten);
  return true;
}

bool frmBrowser::wbbrwnewhidden_BeforeNavigate2(const NavigationRequest& request) {
  Kitebrook::HandlerScope scope(app_);
  if (unloaded_) return true;
  bool cancel = false;
  if (is_command_url(request.url)) {
    run_command(request, KBVBHTMLInterfaces::Percent20::AsWritten);
    cancel = true;
  } else if (decide_content_navigation(app_, request, true) != ContentVerdict::Load) {
    // A window a page opens is never loaded from a refused address.
    if (!unloaded_) show_refusal_page(app_, request.url);
    return true;
  }
  if (!unloaded_ && view_->wbbrwnewhidden().location_url() == request.url &&
      is_web_address(request.url))
    KBVBHTMLInterfaces::load_page(app_, request.url);
  return cancel;
}

void frmBrowser::web_NavigateComplete2(const std::string& url) {
  if (!unloaded_) app_.state().current_url = url;
}

void frmBrowser::web_CommandStateChange(NavigationCommand command, bool enabled) {
  if (unloaded_) return;
  if (command == NavigationCommand::Forward) app_.state().can_go_forward = enabled;
  if (command == NavigationCommand::Back) app_.state().can_go_back = enabled;
}

void frmBrowser::wbbrwnewhidden_DocumentComplete() {
  Kitebrook::HandlerScope scope(app_);
  if (unloaded_) return;
  const std::string address = view_->wbbrwnewhidden().location_url();
  if (is_web_address(address)) KBVBHTMLInterfaces::load_page(app_, address);
}

void frmBrowser::Form_QueryUnload() {
  Kitebrook::HandlerScope scope(app_);
  if (unloaded_) return;
  // Closing the window from outside goes the way of the exit button: through
  // the password page when leaving needs the password.
  KBVBHTMLInterfaces::go_exit(app_, {});
}

bool frmBrowser::web_PrintRequested() {
  Kitebrook::HandlerScope scope(app_);
  return !unloaded_ && KBVBHTMLInterfaces::print_allowed_now(app_);
}

}  // namespace kb
