#include "shell/stay_on_sites.h"

#include <iostream>

#include "bridge/page_loader.h"
#include "bridge/script_call.h"
#include "config/child_sites.h"
#include "policy/web_host.h"
#include "shell/kitebrook.h"
#include "shell/paths.h"
#include "visits/visit_log.h"

namespace kb {
namespace {

void log_visit(Kitebrook& app, const std::string& url, const std::string& host, bool refused) {
  visits::VisitLog* log = app.visit_log();
  const std::string& child = app.state().current_user;
  if (!log || child.empty()) return;
  try {
    log->record({app.clock().now(), child, host, url, refused});
  } catch (const std::exception& e) {
    std::cerr << "kitebrook: a visit could not be logged: " << e.what() << '\n';
  }
}

// Whether the page shown in the content area holds a frame that loads this
// address: a navigation that the engine does not place in the top document
// is then the frame's own, and refusing it leaves the frame empty.
bool shown_page_has_frame_for(Kitebrook& app, const std::string& url) {
  try {
    // Not waiting for the page's load, which itself waits for this frame.
    const std::string answer = app.main_window().view().web().run_script_now(
        "(function (u) { var f = document.querySelectorAll('iframe, frame');"
        " for (var i = 0; i < f.length; i++) if (f[i].src === u) return 'yes';"
        " return 'no'; })(" +
        KBVBHTMLInterfaces::js_string_literal(url) + ")");
    return answer == "yes";
  } catch (const std::exception& e) {
    std::cerr << "kitebrook: the page's frames could not be read: " << e.what() << '\n';
    return false;
  }
}

}  // namespace

void load_child_rules(Kitebrook& app) {
  ProgramState& state = app.state();
  try {
    state.stay_on_sites = KBConfigIO::stay_on_sites(app.config_file());
    const KBConfigIO::ChildSites sites =
        KBConfigIO::child_sites(app.config_file(), state.current_user);
    state.allow_list = policy::AllowList(
        policy::ChildRules{sites.site_targets, sites.also_allow, sites.approved_hosts});
  } catch (const std::exception& e) {
    std::cerr << "kitebrook: the child's sites could not be read: " << e.what() << '\n';
    state.allow_list = policy::AllowList();
  }
  // Today's approvals outlive a restart of the program.
  if (visits::VisitLog* log = app.visit_log()) {
    try {
      for (const auto& [host, until] : log->approvals_of(state.current_user, app.clock().now()))
        state.approvals.allow_until(state.current_user, host, until);
    } catch (const std::exception& e) {
      std::cerr << "kitebrook: today's approvals could not be read: " << e.what() << '\n';
    }
  }
}

ContentVerdict decide_content_navigation(Kitebrook& app, const NavigationRequest& request,
                                         bool new_window) {
  ProgramState& state = app.state();
  const std::string& url = request.url;
  // The parent's decision belongs to the page the password opened: any other
  // page (a history step back to it included) needs the password again.
  const bool opening_approval = url == state.folders.page("Approve.html") && request.by_program &&
                                request.type != NavigationType::BackForward;
  if (!opening_approval) state.approval_open = false;
  // Empty documents and a frame's own inline document ask no server.
  if (url == "about:blank" || url == "about:srcdoc" || state.folders.is_host_page(url))
    return ContentVerdict::Load;
  const policy::Decision decision =
      policy::decide(url, state.allow_list, state.approvals, state.current_user, app.clock().now());
  if (!state.stay_on_sites || decision.allowed) {
    // A new window's page is logged when the content area loads it.
    if (!decision.host.empty() && !new_window) log_visit(app, url, decision.host, false);
    return ContentVerdict::Load;
  }
  log_visit(app, url, decision.host, true);
  if (!new_window && request.frame != NavigationFrame::Main && shown_page_has_frame_for(app, url))
    return ContentVerdict::LeaveEmpty;
  return ContentVerdict::ShowRefusal;
}

void show_refusal_page(Kitebrook& app, const std::string& url) {
  ProgramState& state = app.state();
  state.refused_url = url;
  state.before_refusal = state.current_url;
  state.approval_open = false;
  KBVBHTMLInterfaces::load_page(app, state.folders.page("NotOnList.html"));
}

}  // namespace kb
