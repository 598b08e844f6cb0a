#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "registry/sqlite_db.h"
#include "visits/local_days.h"
#include "visits/log_page_data.h"
#include "visits/visit_log.h"

namespace {

namespace fs = std::filesystem;

// 30 days of 1,000 visits a day for the child shown, over 200 hosts, one in
// ten refused; another child's visits beside them.
void BM_LogPageData(benchmark::State& state) {
  const fs::path folder =
      fs::temp_directory_path() / ("kb_visit_bench_" + std::to_string(::getpid()));
  fs::remove_all(folder);
  const std::time_t now = 1796558400;
  // Filled in one transaction: one per visit, as the program writes them,
  // would spend minutes on the disk's flushes.
  kb::visits::VisitLog(folder / "Visits.sqlite");
  {
    modRegistry::SqliteDb db(folder / "Visits.sqlite", SQLITE_OPEN_READWRITE);
    modRegistry::SqliteTransaction transaction(db);
    const auto add = [&](std::time_t when, const char* child, const std::string& host,
                         const std::string& url, bool refused) {
      modRegistry::SqliteStatement insert(db, "INSERT INTO visits VALUES (?, ?, ?, ?, ?)");
      insert.bind_int64(1, when).bind_text(2, child).bind_text(3, host).bind_text(4, url);
      insert.bind_int64(5, refused ? 1 : 0).step();
    };
    for (int day = 0; day < 30; ++day) {
      for (int i = 0; i < 1000; ++i) {
        const std::time_t when = now - day * 86400 - i * 60;
        const std::string host = "site" + std::to_string(i % 200) + ".example";
        add(when, "Mary", host, "https://" + host + "/page" + std::to_string(i), i % 10 == 0);
        if (i % 10 == 0) add(when, "Tom", host, "https://" + host + "/", false);
      }
    }
    transaction.commit();
  }
  const std::string day = kb::visits::local_day_of(now);
  for (auto _ : state) {
    // What the log page's load asks for: open the log, the child's days, the
    // chosen day's hosts, all as the page's data.
    kb::visits::VisitLog log(folder / "Visits.sqlite");
    const auto span = kb::visits::local_day_span(day);
    const std::string json = kb::visits::log_page_json(
        log.days_of("Mary"), day, log.hosts_between("Mary", span->first, span->second));
    benchmark::DoNotOptimize(json);
  }
  fs::remove_all(folder);
}
BENCHMARK(BM_LogPageData)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
