#include "visits/visit_log.h"

#include <system_error>

#include "registry/sqlite_db.h"

namespace kb::visits {
namespace {

using modRegistry::SqliteDb;
using modRegistry::SqliteStatement;
using modRegistry::SqliteTransaction;

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS visits ("
    "  time INTEGER NOT NULL, child TEXT NOT NULL, host TEXT NOT NULL,"
    "  url TEXT NOT NULL, refused INTEGER NOT NULL);"
    "CREATE INDEX IF NOT EXISTS visits_by_child_time ON visits (child, time);"
    "CREATE INDEX IF NOT EXISTS visits_by_time ON visits (time);"
    "CREATE TABLE IF NOT EXISTS approvals ("
    "  child TEXT NOT NULL, host TEXT NOT NULL, until INTEGER NOT NULL);";

constexpr std::int64_t kSecondsPerDay = 24 * 60 * 60;

}  // namespace

VisitLog::VisitLog(const std::filesystem::path& file) {
  std::error_code ec;
  std::filesystem::create_directories(file.parent_path(), ec);
  // A folder that could not be made fails at the open below, with its reason.
  db_ = std::make_unique<SqliteDb>(file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  db_->exec(kSchema);
}

VisitLog::~VisitLog() = default;

void VisitLog::record(const Visit& visit) {
  SqliteTransaction transaction(*db_);
  SqliteStatement insert(*db_, "INSERT INTO visits VALUES (?, ?, ?, ?, ?)");
  insert.bind_int64(1, visit.time)
      .bind_text(2, visit.child)
      .bind_text(3, visit.host)
      .bind_text(4, visit.url)
      .bind_int64(5, visit.refused ? 1 : 0);
  insert.step();
  transaction.commit();
}

void VisitLog::prune(std::time_t now) {
  SqliteTransaction transaction(*db_);
  SqliteStatement remove(*db_, "DELETE FROM visits WHERE time < ?");
  remove.bind_int64(1, static_cast<std::int64_t>(now) - kKeptDays * kSecondsPerDay);
  remove.step();
  SqliteStatement ended(*db_, "DELETE FROM approvals WHERE until <= ?");
  ended.bind_int64(1, now);
  ended.step();
  transaction.commit();
}

std::vector<DaySummary> VisitLog::days_of(const std::string& child) const {
  SqliteStatement query(*db_,
                        "SELECT date(time, 'unixepoch', 'localtime') AS day,"
                        "       sum(1 - refused), sum(refused)"
                        " FROM visits WHERE child = ? GROUP BY day ORDER BY day DESC");
  query.bind_text(1, child);
  std::vector<DaySummary> days;
  while (query.step())
    days.push_back(DaySummary{query.column_blob(0), query.column_int64(1), query.column_int64(2)});
  return days;
}

std::vector<HostSummary> VisitLog::hosts_between(const std::string& child, std::time_t from,
                                                 std::time_t to) const {
  // SQLite gives the bare column url the value of the row that max() chose.
  SqliteStatement query(*db_,
                        "SELECT host, refused, count(*), max(time), url FROM visits"
                        " WHERE child = ? AND time >= ? AND time < ?"
                        " GROUP BY host, refused ORDER BY refused DESC, max(time) DESC, host");
  query.bind_text(1, child).bind_int64(2, from).bind_int64(3, to);
  std::vector<HostSummary> hosts;
  while (query.step()) {
    hosts.push_back(
        HostSummary{query.column_blob(0), query.column_int64(1) != 0, query.column_int64(2),
                    static_cast<std::time_t>(query.column_int64(3)), query.column_blob(4)});
  }
  return hosts;
}

void VisitLog::record_approval(const std::string& child, const std::string& host,
                               std::time_t until) {
  SqliteTransaction transaction(*db_);
  SqliteStatement insert(*db_, "INSERT INTO approvals VALUES (?, ?, ?)");
  insert.bind_text(1, child).bind_text(2, host).bind_int64(3, until);
  insert.step();
  transaction.commit();
}

std::vector<std::pair<std::string, std::time_t>> VisitLog::approvals_of(const std::string& child,
                                                                        std::time_t now) const {
  SqliteStatement query(*db_, "SELECT host, until FROM approvals WHERE child = ? AND until > ?");
  query.bind_text(1, child).bind_int64(2, now);
  std::vector<std::pair<std::string, std::time_t>> approvals;
  while (query.step())
    approvals.emplace_back(query.column_blob(0), static_cast<std::time_t>(query.column_int64(1)));
  return approvals;
}

std::filesystem::path visit_log_file(const std::filesystem::path& machine_hive_file) {
  return machine_hive_file.parent_path() / "Visits.sqlite";
}

}  // namespace kb::visits
