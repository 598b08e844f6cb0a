// One UPDATESITE, ASSIGNSITETOUSER and REMOVESITE each (load, change, durable
// save) on configurations of 10 to 10,000 sites.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "common/message_box.h"
#include "config/kb_config_io.h"

namespace {

namespace fs = std::filesystem;

// Three children besides AllUsers; every site offered to two of them.
std::string config_with_sites(int sites) {
  std::string text =
      "<KBConfig>\n  <Settings>\n    <Pwd>kite</Pwd>\n    <PrintAllowed>Yes</PrintAllowed>\n"
      "    <PrintLimit>5</PrintLimit>\n    <PwdExit>Yes</PwdExit>\n  </Settings>\n  <Users>\n";
  for (int id = 1; id <= 4; ++id)
    text += "    <User>\n      <Name>Child " + std::to_string(id) + "</Name>\n      <Image>child" +
            std::to_string(id) + ".png</Image>\n      <ID>" + std::to_string(id) +
            "</ID>\n    </User>\n";
  text += "  </Users>\n  <WebSites>\n";
  for (int id = 1; id <= sites; ++id) {
    const std::string n = std::to_string(id);
    text += "    <WebSite>\n      <Label>Site " + n + "</Label>\n      <Image>Images/site" + n +
            ".png</Image>\n      <Target>www.site" + n +
            ".example/start.html</Target>\n      <ID>" + n +
            "</ID>\n      <AllowedUsers>\n        <User>\n          <ID>" +
            std::to_string(2 + id % 3) + "</ID>\n        </User>\n        <User>\n          <ID>" +
            std::to_string(2 + (id + 1) % 3) + "</ID>\n        </User>\n      </AllowedUsers>\n" +
            "    </WebSite>\n";
  }
  return text + "  </WebSites>\n</KBConfig>\n";
}

// A program folder beside the benchmark, on the same disk as a real
// installation would be (not a memory file system).
class BenchConfig {
 public:
  explicit BenchConfig(int sites)
      : folder_(fs::current_path() / ("kb_config_bench_" + std::to_string(::getpid()))),
        text_(config_with_sites(sites)) {
    fs::create_directories(folder_ / "Data");
    path_ = KBConfigIO::config_path(folder_);
    restore();
  }
  ~BenchConfig() { fs::remove_all(folder_); }
  void restore() const { std::ofstream(path_, std::ios::binary | std::ios::trunc) << text_; }
  const fs::path& path() const { return path_; }

 private:
  fs::path folder_;
  fs::path path_;
  std::string text_;
};

class NoBox : public kb::MessageBox {
 public:
  void show(const std::string&) override {}
};

void BM_UpdateSite(benchmark::State& state) {
  const int sites = static_cast<int>(state.range(0));
  const BenchConfig config(sites);
  KBConfigIO::EditGlobals edit;
  KBConfigIO::setsiteglobals(edit, std::to_string(sites / 2));
  for (auto _ : state)
    KBConfigIO::updatesite(config.path(), edit, "Renamed", "", "http://renamed.example");
}

void BM_AssignSiteToUser(benchmark::State& state) {
  const int sites = static_cast<int>(state.range(0));
  const BenchConfig config(sites);
  const std::string site = std::to_string(sites / 2);
  for (auto _ : state) {
    KBConfigIO::assignsitetouser(config.path(), "1", site);
    state.PauseTiming();
    config.restore();
    state.ResumeTiming();
  }
}

void BM_RemoveSite(benchmark::State& state) {
  const int sites = static_cast<int>(state.range(0));
  const BenchConfig config(sites);
  const std::string site = std::to_string(sites / 2);
  for (auto _ : state) {
    KBConfigIO::removesite(config.path(), site);
    state.PauseTiming();
    config.restore();
    state.ResumeTiming();
  }
}

BENCHMARK(BM_UpdateSite)
    ->RangeMultiplier(10)
    ->Range(10, 10000)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AssignSiteToUser)
    ->RangeMultiplier(10)
    ->Range(10, 10000)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RemoveSite)
    ->RangeMultiplier(10)
    ->Range(10, 10000)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
