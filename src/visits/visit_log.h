#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace modRegistry {
class SqliteDb;
}

namespace kb::visits {

// One page a child opened, or was refused.
struct Visit {
  std::time_t time = 0;
  std::string child;
  std::string host;
  std::string url;
  bool refused = false;
};

// The visits of one child on one local calendar day.
struct DaySummary {
  std::string day;  // YYYY-MM-DD
  std::int64_t opened = 0;
  std::int64_t refused = 0;
};

// The visits of one child to one host within a time span, opened or refused.
struct HostSummary {
  std::string host;
  bool refused = false;
  std::int64_t count = 0;
  std::time_t last_time = 0;
  std::string last_url;
};

// How long visits are kept.
inline constexpr int kKeptDays = 30;

// The pages each child opened and was refused, in a small SQLite database of
// its own beside the registry hives (never in the configuration file). The
// database stays open while the program runs; every write is one transaction,
// so a crash leaves it as it was before or after the visit.
class VisitLog {
 public:
  // Opens the database, creating it and its folder when missing. Throws
  // modRegistry::StoreError when it cannot be opened or is not a visit log.
  explicit VisitLog(const std::filesystem::path& file);
  ~VisitLog();
  VisitLog(const VisitLog&) = delete;
  VisitLog& operator=(const VisitLog&) = delete;

  void record(const Visit& visit);
  // Deletes the visits older than kKeptDays days before `now`.
  void prune(std::time_t now);
  // The days on which the child has visits, the latest first.
  std::vector<DaySummary> days_of(const std::string& child) const;
  // The child's visits from `from` up to (not including) `to`, one entry per
  // host and outcome: refused hosts first, then the most recent first.
  std::vector<HostSummary> hosts_between(const std::string& child, std::time_t from,
                                         std::time_t to) const;

  // A host the parent allowed the child until a moment (the end of the day),
  // kept across restarts until then; prune() forgets those that ended.
  void record_approval(const std::string& child, const std::string& host, std::time_t until);
  // The child's approvals that still hold at `now`: host and end.
  std::vector<std::pair<std::string, std::time_t>> approvals_of(const std::string& child,
                                                                std::time_t now) const;

 private:
  std::unique_ptr<modRegistry::SqliteDb> db_;
};

// The visit log's file: Visits.sqlite in the folder of the machine-wide hives.
std::filesystem::path visit_log_file(const std::filesystem::path& machine_hive_file);

}  // namespace kb::visits
