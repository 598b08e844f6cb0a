// The registry calls behind a print: can_print on a hive that does not exist
// yet (the first print of an installation) and on one already in use, and a
// single text value read and written with get_reg_value / set_reg_value.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <atomic>
#include <ctime>
#include <filesystem>
#include <string>

#include "common/clock.h"
#include "common/message_box.h"
#include "registry/mod_registry.h"
#include "registry/print_allowance.h"

namespace {

namespace fs = std::filesystem;

const std::string kKey = "Software\\Marlowby Software\\Kitebrook";

class NoBox : public kb::MessageBox {
 public:
  void show(const std::string&) override {}
};

// A folder of hive files of its own, on the disk (temp folder), removed
// again afterwards.
class BenchHives {
 public:
  BenchHives() {
    static std::atomic<int> next{0};
    folder_ = fs::temp_directory_path() /
              ("kb_print_bench_" + std::to_string(::getpid()) + "_" + std::to_string(next++));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  ~BenchHives() { fs::remove_all(folder_); }
  BenchHives(const BenchHives&) = delete;
  BenchHives& operator=(const BenchHives&) = delete;

  modRegistry::HiveFiles files() const {
    modRegistry::HiveFiles f;
    f.hklm = folder_ / "program" / "Registry" / "HKLM.sqlite";
    f.hkcu = folder_ / "HKCU.sqlite";
    return f;
  }

 private:
  fs::path folder_;
};

// The first print of an installation: the hive's database and folder are
// created, the day is started and the first print counted.
void BM_CanPrintOnNewHive(benchmark::State& state) {
  const kb::SystemClock clock;
  NoBox box;
  for (auto _ : state) {
    state.PauseTiming();
    {
      const BenchHives hives;
      const modRegistry::Registry registry(hives.files());
      modKitebrook::PrintAllowance allowance(registry, clock, box);
      state.ResumeTiming();
      if (!allowance.can_print(5)) state.SkipWithError("the first print was refused");
      state.PauseTiming();
    }
    state.ResumeTiming();
  }
}

// A later print of the same day: the day and the count are read, the count
// written back.
void BM_CanPrintSameDay(benchmark::State& state) {
  const BenchHives hives;
  const modRegistry::Registry registry(hives.files());
  const kb::SystemClock clock;
  NoBox box;
  modKitebrook::PrintAllowance allowance(registry, clock, box);
  allowance.print_reset();
  constexpr std::int16_t kLimit = 32767;
  std::int64_t counted = 0;
  for (auto _ : state) {
    if (!allowance.can_print(kLimit)) {
      state.SkipWithError("a print within the limit was refused");
      break;
    }
    // Keep far from the limit, so that every call takes the counting path.
    if (++counted % 30000 == 0) {
      state.PauseTiming();
      allowance.print_reset();
      state.ResumeTiming();
    }
  }
}

void BM_GetRegValueText(benchmark::State& state) {
  const BenchHives hives;
  const modRegistry::Registry registry(hives.files());
  if (registry.set_reg_value("HKLM", kKey, "LastPrintUpdate", "S",
                             std::string("2026-12-06T09:45:03")) != 0)
    state.SkipWithError("the value could not be stored");
  for (auto _ : state) {
    modRegistry::RegValue out = std::string();
    if (registry.get_reg_value("HKLM", kKey, "LastPrintUpdate", "S", std::string(), out) != 0) {
      state.SkipWithError("the value could not be read");
      break;
    }
    benchmark::DoNotOptimize(out);
  }
}

void BM_SetRegValueText(benchmark::State& state) {
  const BenchHives hives;
  const modRegistry::Registry registry(hives.files());
  int count = 0;
  for (auto _ : state) {
    if (registry.set_reg_value("HKLM", kKey, "PrintCount", "S", std::to_string(count++ % 100)) !=
        0) {
      state.SkipWithError("the value could not be stored");
      break;
    }
  }
}

BENCHMARK(BM_CanPrintOnNewHive)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CanPrintSameDay)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GetRegValueText)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SetRegValueText)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
