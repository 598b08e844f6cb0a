#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace kb::policy {

// What the parent chose for one child, as written in the configuration.
struct ChildRules {
  std::vector<std::string> site_targets;    // the addresses of the child's sites
  std::vector<std::string> also_allow;      // the extra hosts of those sites
  std::vector<std::string> approved_hosts;  // hosts the parent allowed for good
};

// The hosts one child may open: each listed host and every host below it on
// label boundaries (example.com covers kids.example.com, not badexample.com).
// An IP address covers only itself. Built once when a child starts or the
// parent changes the configuration, so that a decision is a few lookups.
class AllowList {
 public:
  AllowList() = default;
  // Texts that name no web host are left out.
  explicit AllowList(const ChildRules& rules);

  // Adds a host written on its own; answers whether it named one.
  bool add_host(std::string_view host);
  // Whether the normalised host is covered.
  bool covers(std::string_view host) const;
  std::size_t size() const { return hosts_.size(); }

 private:
  std::unordered_set<std::string> hosts_;
};

// How long a parent's approval lasts.
enum class ApprovalSpan { Once, Today, Always };

// Hosts a parent allowed for a while, per child: for this visit (until the
// child's browsing ends) or until a moment (midnight). They live only in
// memory; lasting approvals are kept in the configuration.
class TemporaryApprovals {
 public:
  void allow_for_visit(const std::string& child, const std::string& host);
  void allow_until(const std::string& child, const std::string& host, std::time_t until);
  // Forgets the child's approvals for this visit; those until a moment stay.
  void end_visit(const std::string& child);
  // Whether a normalised host is covered for the child at `now`.
  bool covers(const std::string& child, std::string_view host, std::time_t now) const;

 private:
  struct Entry {
    std::string child;
    AllowList hosts;
    std::time_t until;  // 0 for the visit
  };
  Entry& entry_for(const std::string& child, std::time_t until);
  std::vector<Entry> entries_;
};

// The answer for one navigation.
struct Decision {
  bool allowed = false;
  std::string host;  // the normalised host; empty when the address is not http or https
};

// Decides one navigation of `child` to `url`: only http and https, and only
// to a host the child's list or a current approval covers.
Decision decide(std::string_view url, const AllowList& list, const TemporaryApprovals& approvals,
                const std::string& child, std::time_t now);

}  // namespace kb::policy
