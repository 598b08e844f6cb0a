#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "visit_log_fill.h"
#include "visits/local_days.h"
#include "visits/log_page_data.h"
#include "visits/visit_log.h"

namespace {

namespace fs = std::filesystem;

// 30 days of 1,000 visits a day for the child shown (visit_log_fill.h).
void BM_LogPageData(benchmark::State& state) {
  const fs::path folder =
      fs::temp_directory_path() / ("kb_visit_bench_" + std::to_string(::getpid()));
  fs::remove_all(folder);
  const std::time_t now = 1796558400;
  kb::bench::fill_visit_log(folder / "Visits.sqlite", now);
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
