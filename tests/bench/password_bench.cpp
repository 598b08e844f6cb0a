// What checking and storing the parent's password costs: one slow hash each,
// run on the user-interface thread at every entry on the password page.
#include <benchmark/benchmark.h>

#include "config/password_hash.h"

namespace {

void BM_MakePasswordHash(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(KBConfigIO::make_password_hash("kite 123"));
}

void BM_CheckPassword(benchmark::State& state) {
  const std::string stored = KBConfigIO::make_password_hash("kite 123");
  for (auto _ : state) benchmark::DoNotOptimize(KBConfigIO::check_password(stored, "kite 124"));
}

BENCHMARK(BM_MakePasswordHash)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckPassword)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
