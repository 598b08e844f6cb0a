#include <benchmark/benchmark.h>

#include <string>

#include "policy/allow_list.h"

namespace {

// A child with 1,000 sites, each with one extra host, and a few approvals;
// a decision on a listed host deep below a site and one on an unlisted host.
kb::policy::AllowList thousand_sites() {
  kb::policy::ChildRules rules;
  for (int i = 0; i < 1000; ++i) {
    rules.site_targets.push_back("www.site" + std::to_string(i) + ".example/start/page.html");
    rules.also_allow.push_back("media" + std::to_string(i) + ".cdn.example");
  }
  rules.approved_hosts = {"museum.org", "zoo.example.net"};
  return kb::policy::AllowList(rules);
}

void BM_DecideListedHost(benchmark::State& state) {
  const kb::policy::AllowList list = thousand_sites();
  kb::policy::TemporaryApprovals approvals;
  approvals.allow_until("Anna", "library.example", 2000000000);
  for (auto _ : state) {
    const auto decision =
        kb::policy::decide("https://pictures.www.site999.example/animals/lion.html?size=big#top",
                           list, approvals, "Anna", 1000);
    benchmark::DoNotOptimize(decision);
  }
}
BENCHMARK(BM_DecideListedHost);

void BM_DecideUnlistedHost(benchmark::State& state) {
  const kb::policy::AllowList list = thousand_sites();
  kb::policy::TemporaryApprovals approvals;
  approvals.allow_until("Anna", "library.example", 2000000000);
  for (auto _ : state) {
    const auto decision = kb::policy::decide("https://a.b.c.d.unlisted-games.example.com/play?x=1",
                                             list, approvals, "Anna", 1000);
    benchmark::DoNotOptimize(decision);
  }
}
BENCHMARK(BM_DecideUnlistedHost);

}  // namespace

BENCHMARK_MAIN();
