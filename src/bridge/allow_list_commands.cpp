#include <algorithm>
#include <iostream>
#include <sstream>

#include "bridge/command_handlers.h"
#include "bridge/error_text.h"
#include "bridge/page_loader.h"
#include "bridge/script_call.h"
#include "common/text_case.h"
#include "config/child_sites.h"
#include "policy/web_host.h"
#include "shell/kitebrook.h"
#include "shell/paths.h"
#include "shell/stay_on_sites.h"
#include "visits/local_days.h"
#include "visits/log_page_data.h"
#include "visits/visit_log.h"

namespace KBVBHTMLInterfaces {
namespace {

// Back to where the child was before the refused address, or to the start
// page when that is not known.
void return_to_child(kb::Kitebrook& app) {
  kb::ProgramState& state = app.state();
  state.refused_url.clear();
  state.approval_open = false;
  const std::string before = state.before_refusal;
  if (before.empty())
    start_for_user(app, state.current_user);
  else
    load_page(app, before);
}

// A host as the parent writes it (a whole address will do); nothing, after
// telling the parent, when it names none.
std::optional<std::string> parent_host(kb::Kitebrook& app, const std::string& text) {
  std::optional<std::string> host = kb::policy::site_host(text);
  if (!host)
    app.message_box().show("\"" + text +
                           "\" is not a web address or host name, so it was not saved.");
  return host;
}

}  // namespace

void loadrefusal(kb::Kitebrook& app, const Args&) {
  const kb::ProgramState& state = app.state();
  const std::string host = kb::policy::web_host(state.refused_url).value_or("");
  app.main_window().view().web().run_script(
      js_call("Show_Refusal", {host, state.refused_url, state.current_user}));
}

void askgrownup(kb::Kitebrook& app, const Args&) {
  if (app.state().refused_url.empty()) return;
  app.state().pwd_mode = kb::PasswordMode::Approve;
  load_page(app, app.state().folders.page("password.htm"));
}

void show_approval_page(kb::Kitebrook& app) {
  if (app.state().refused_url.empty()) {
    return_to_child(app);
    return;
  }
  app.state().approval_open = true;
  load_page(app, app.state().folders.page("Approve.html"));
}

void approverefused(kb::Kitebrook& app, const Args& args) {
  kb::ProgramState& state = app.state();
  const std::string choice = kb::upper_case(args[0]);
  const std::optional<std::string> host = kb::policy::web_host(state.refused_url);
  // Only the page the password opened decides, and only once.
  if (!state.approval_open || !host || choice == "NO") {
    return_to_child(app);
    return;
  }
  const std::string& child = state.current_user;
  if (choice == "ONCE") {
    state.approvals.allow_for_visit(child, *host);
  } else if (choice == "TODAY") {
    const std::time_t midnight = kb::visits::next_local_midnight(app.clock().now());
    state.approvals.allow_until(child, *host, midnight);
    // Kept so that a restart before midnight keeps it; without the log it
    // still holds while the program runs.
    if (kb::visits::VisitLog* log = app.visit_log()) {
      try {
        log->record_approval(child, *host, midnight);
      } catch (const std::exception& e) {
        std::cerr << "kitebrook: today's approval could not be kept: " << e.what() << '\n';
      }
    }
  } else if (choice == "ALWAYS") {
    try {
      KBConfigIO::approve_host_for_user_name(app.config_file(), child, *host);
    } catch (const std::exception& e) {
      app.message_box().show("Kitebrook could not save the approval: " + describe(e));
      return_to_child(app);
      return;
    }
    state.allow_list.add_host(*host);
  } else {
    return_to_child(app);
    return;
  }
  const std::string url = state.refused_url;
  state.refused_url.clear();
  state.approval_open = false;
  load_page(app, url);
}

void updatestayonsites(kb::Kitebrook& app, const Args& args) {
  KBConfigIO::updatestayonsites(app.config_file(), args[0], app.message_box());
}

void setalsoallow(kb::Kitebrook& app, const Args& args) {
  std::vector<std::string> hosts;
  std::istringstream words(args[1]);
  for (std::string word; words >> word;) {
    const std::optional<std::string> host = parent_host(app, word);
    if (!host) return;
    if (std::find(hosts.begin(), hosts.end(), *host) == hosts.end()) hosts.push_back(*host);
  }
  KBConfigIO::set_also_allow(app.config_file(), args[0], hosts);
}

void alwaysallow(kb::Kitebrook& app, const Args& args) {
  if (const std::optional<std::string> host = parent_host(app, args[1]))
    KBConfigIO::approve_host_for_user_id(app.config_file(), args[0], *host);
}

void withdrawhost(kb::Kitebrook& app, const Args& args) {
  KBConfigIO::withdraw_host_for_user_id(app.config_file(), args[0], args[1]);
}

void loadvisits(kb::Kitebrook& app, const Args& args) {
  const std::string& child = args[0];
  std::string data = "null";
  if (kb::visits::VisitLog* log = app.visit_log()) {
    const std::vector<kb::visits::DaySummary> days = log->days_of(child);
    // The day asked for, else the latest day with visits, else today.
    std::string day = args[1];
    if (!kb::visits::local_day_span(day))
      day = days.empty() ? kb::visits::local_day_of(app.clock().now()) : days.front().day;
    const auto span = kb::visits::local_day_span(day);
    std::vector<kb::visits::HostSummary> hosts;
    if (span) hosts = log->hosts_between(child, span->first, span->second);
    data = kb::visits::log_page_json(days, day, hosts);
  }
  app.main_window().view().web().run_script("Show_Visits(" + data + ")");
}

}  // namespace KBVBHTMLInterfaces
