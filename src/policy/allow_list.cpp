#include "policy/allow_list.h"

#include <algorithm>

#include "policy/web_host.h"

namespace kb::policy {

AllowList::AllowList(const ChildRules& rules) {
  for (const std::string& target : rules.site_targets)
    if (const auto host = site_host(target)) hosts_.insert(*host);
  for (const std::string& host : rules.also_allow) add_host(host);
  for (const std::string& host : rules.approved_hosts) add_host(host);
}

bool AllowList::add_host(std::string_view host) {
  // A parent may paste a whole address where a host is asked for.
  std::optional<std::string> normal = site_host(host);
  if (!normal) return false;
  hosts_.insert(std::move(*normal));
  return true;
}

bool AllowList::covers(std::string_view host) const {
  if (host.empty() || hosts_.empty()) return false;
  // std::unordered_set<std::string> has no lookup by string_view in C++20's
  // library here, so one string is reused for every suffix.
  std::string key(host);
  if (hosts_.count(key) != 0) return true;
  if (is_ip_literal(host)) return false;
  for (std::size_t dot = host.find('.'); dot != std::string_view::npos;
       dot = host.find('.', dot + 1)) {
    key.assign(host.substr(dot + 1));
    if (hosts_.count(key) != 0) return true;
  }
  return false;
}

TemporaryApprovals::Entry& TemporaryApprovals::entry_for(const std::string& child,
                                                         std::time_t until) {
  for (Entry& entry : entries_)
    if (entry.child == child && entry.until == until) return entry;
  entries_.push_back(Entry{child, AllowList(), until});
  return entries_.back();
}

void TemporaryApprovals::allow_for_visit(const std::string& child, const std::string& host) {
  entry_for(child, 0).hosts.add_host(host);
}

void TemporaryApprovals::allow_until(const std::string& child, const std::string& host,
                                     std::time_t until) {
  entry_for(child, until).hosts.add_host(host);
}

void TemporaryApprovals::end_visit(const std::string& child) {
  std::erase_if(entries_,
                [&](const Entry& entry) { return entry.child == child && entry.until == 0; });
}

bool TemporaryApprovals::covers(const std::string& child, std::string_view host,
                                std::time_t now) const {
  return std::any_of(entries_.begin(), entries_.end(), [&](const Entry& entry) {
    return entry.child == child && (entry.until == 0 || now < entry.until) &&
           entry.hosts.covers(host);
  });
}

Decision decide(std::string_view url, const AllowList& list, const TemporaryApprovals& approvals,
                const std::string& child, std::time_t now) {
  Decision decision;
  const std::optional<std::string> host = web_host(url);
  if (!host) return decision;
  decision.host = *host;
  decision.allowed = list.covers(*host) || approvals.covers(child, *host, now);
  return decision;
}

}  // namespace kb::policy
