// Start-up benchmarks of the real program on the real engine (run under a
// display, e.g. Xvfb; tools/bench does). Every repetition starts a fresh
// process: kitebrook_probe runs the program from Main through the splash to
// a child's start page, bare_window shows a bare window with one web view
// beside it for comparison. The time of a repetition is from starting the
// process to its page shown; the other figures are counters. A table of the
// medians against their aims follows the benchmark output.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "figures.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int kDefaultRuns = 7;

// The figures of every run, by "program.figure".
std::map<std::string, std::vector<double>>& samples() {
  static std::map<std::string, std::vector<double>> all;
  return all;
}

double monotonic_us() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

fs::path own_folder() {
  return fs::read_symlink("/proc/self/exe").parent_path();
}

fs::path source_folder() {
  const char* source = std::getenv("KB_SOURCE_DIR");
  if (!source) throw std::runtime_error("KB_SOURCE_DIR must name the source tree");
  return source;
}

struct ProbeRun {
  double started_us = 0;  // monotonic, just before the process started
  std::map<std::string, double> figures;
};

// Starts `argv` as a fresh process, waits for it and reads its figures;
// throws with its output when it fails.
ProbeRun run_probe(const std::vector<std::string>& argv) {
  int out[2];
  if (pipe(out) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);

  ProbeRun run;
  pid_t pid = 0;
  run.started_us = monotonic_us();
  const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (spawned != 0) {
    close(out[0]);
    throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(spawned));
  }
  std::string output;
  char buffer[4096];
  for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) != 0;) {
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    output.append(buffer, static_cast<std::size_t>(n));
  }
  close(out[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error(argv[0] + " failed:\n" + output);
  run.figures = kb::bench::parse_figures(output);
  return run;
}

double figure(const ProbeRun& run, const std::string& name) {
  const auto found = run.figures.find(name);
  if (found == run.figures.end()) throw std::runtime_error("no figure " + name);
  return found->second;
}

// Records the figures of one run as samples and benchmark counters; the
// launch time is the repetition's time.
void record(benchmark::State& state, const std::string& program, const ProbeRun& run,
            const std::vector<std::string>& names) {
  const double launch_s = (figure(run, "shown_at_us") - run.started_us) / 1e6;
  state.SetIterationTime(launch_s);
  samples()[program + ".launch_s"].push_back(launch_s);
  for (const std::string& name : names) {
    const double value = figure(run, name);
    samples()[program + "." + name].push_back(value);
    state.counters[name] = value;
  }
}

const std::vector<std::string> kMemoryFigures{"host_rss_mb", "total_rss_mb", "total_pss_mb",
                                              "processes"};

void BM_Kitebrook(benchmark::State& state) {
  const std::string probe = own_folder() / "kitebrook_probe";
  std::vector<std::string> names = kMemoryFigures;
  names.insert(names.end(), {"click_ms", "loadsites_ms", "loadsites_max_ms", "log_page_ms"});
  for (auto _ : state) {
    try {
      const ProbeRun run = run_probe({probe, "--gtest_brief=1"});
      record(state, "kitebrook", run, names);
      // Where the launch time goes: before Main, and after the splash's two
      // seconds.
      const double loaded_at = figure(run, "loaded_at_us");
      const double main_at = figure(run, "main_at_us");
      samples()["kitebrook.loading_s"].push_back((loaded_at - run.started_us) / 1e6);
      samples()["kitebrook.before_main_s"].push_back((main_at - loaded_at) / 1e6);
      samples()["kitebrook.after_splash_s"].push_back((figure(run, "shown_at_us") - main_at) / 1e6 -
                                                      2);
    } catch (const std::exception& e) {
      state.SkipWithError(e.what());
      break;
    }
  }
}

// The bare window shows a static copy of what the user-selection page builds
// for two children: the same style sheet, pictures and tiles.
fs::path write_bare_page() {
  const fs::path data = source_folder() / "Data";
  const fs::path page = fs::temp_directory_path() / "kb_bench_bare.html";
  std::ofstream out(page, std::ios::trunc);
  const auto tile = [](const char* name, const char* picture) {
    return std::string("<li><button type=\"button\" class=\"tile user-tile\"><img src=\"Images/") +
           picture + "\" alt=\"\"><span>" + name + "</span></button></li>";
  };
  out << "<!DOCTYPE html><html lang=\"en\"><head><meta charset=\"utf-8\">"
      << "<base href=\"file://" << data.string() << "/\">"
      << "<title>Who is browsing?</title><link rel=\"stylesheet\" href=\"child.css\"></head>"
      << "<body><main><h1 class=\"greeting\">Who are you?</h1><ul class=\"tiles\">"
      << tile("Mary", "cat.svg") << tile("Chris", "dog.svg") << "</ul></main></body></html>\n";
  if (!out.flush()) throw std::runtime_error("cannot write " + page.string());
  return page;
}

void BM_BareWindow(benchmark::State& state) {
  const std::string program = own_folder() / "bare_window";
  std::string page;
  try {
    page = write_bare_page();
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
    return;
  }
  for (auto _ : state) {
    try {
      record(state, "bare", run_probe({program, page, ".user-tile", "2"}), kMemoryFigures);
    } catch (const std::exception& e) {
      state.SkipWithError(e.what());
      break;
    }
  }
}

BENCHMARK(BM_Kitebrook)
    ->Name("kitebrook/launch_to_SelectUser_shown")
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareWindow)
    ->Name("bare_window/launch_to_page_shown")
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double median_of(const std::string& name) {
  const auto found = samples().find(name);
  return found == samples().end() ? 0 : median(found->second);
}

// One line of the table: the figure, its median, the aim and whether it is met.
void print_line(const char* what, double value, const char* unit, double aim, bool below) {
  const bool met = value > 0 && (below ? value < aim : value <= aim);
  std::printf("  %-52s %9.3f %-3s  %s %-6g  %s\n", what, value, unit, below ? "< " : "<=", aim,
              value > 0 ? (met ? "met" : "MISSED") : "not measured");
}

void print_summary() {
  const std::size_t runs = samples()["kitebrook.launch_s"].size();
  const std::size_t bare_runs = samples()["bare.launch_s"].size();
  std::printf("\nMedians of %zu program runs and %zu bare-window runs:\n", runs, bare_runs);
  print_line("launch to SelectUser.htm shown (splash included)", median_of("kitebrook.launch_s"),
             "s", 2.2, true);
  print_line("click on a child to its tiles shown (pause included)",
             median_of("kitebrook.click_ms") / 1000, "s", 1.2, true);
  print_line("LOADSITES round trip (median of 100 per run)", median_of("kitebrook.loadsites_ms"),
             "ms", 10, true);
  print_line("visit log page, 30 days of 1,000 visits a day", median_of("kitebrook.log_page_ms"),
             "ms", 200, true);
  const double bare_host = median_of("bare.host_rss_mb");
  const double bare_total = median_of("bare.total_rss_mb");
  const double bare_pss = median_of("bare.total_pss_mb");
  print_line("host process RSS / bare window's", median_of("kitebrook.host_rss_mb") / bare_host,
             "x", 1.3, false);
  print_line("whole program RSS / bare window's", median_of("kitebrook.total_rss_mb") / bare_total,
             "x", 1.3, false);
  std::printf("  for reference:\n");
  std::printf("    bare window launch to page shown %.3f s\n", median_of("bare.launch_s"));
  std::printf(
      "    program launch: %.3f s loading libraries, %.3f s setting up before Main, 2 s splash,"
      " %.3f s from the splash's end to shown\n",
      median_of("kitebrook.loading_s"), median_of("kitebrook.before_main_s"),
      median_of("kitebrook.after_splash_s"));
  std::printf(
      "    host RSS %.1f MB (bare %.1f MB); whole program RSS %.1f MB in %.0f processes"
      " (bare %.1f MB in %.0f)\n",
      median_of("kitebrook.host_rss_mb"), bare_host, median_of("kitebrook.total_rss_mb"),
      median_of("kitebrook.processes"), bare_total, median_of("bare.processes"));
  std::printf("    whole program PSS %.1f MB (bare %.1f MB, ratio %.2f)\n",
              median_of("kitebrook.total_pss_mb"), bare_pss,
              bare_pss > 0 ? median_of("kitebrook.total_pss_mb") / bare_pss : 0.0);
  std::printf("    slowest LOADSITES round trip, median over runs %.3f ms\n",
              median_of("kitebrook.loadsites_max_ms"));
}

}  // namespace

int main(int argc, char** argv) {
  // Every repetition is one fresh process; the program and the bare window
  // take turns, so that both meet the same machine.
  std::vector<std::string> extra{"--benchmark_repetitions=" + std::to_string(kDefaultRuns),
                                 "--benchmark_enable_random_interleaving=true"};
  std::vector<char*> args(argv, argv + argc);
  for (std::string& arg : extra) {
    const std::string flag = arg.substr(0, arg.find('=') + 1);
    const bool given = std::any_of(args.begin(), args.end(), [&](const char* a) {
      return std::string(a).rfind(flag, 0) == 0;
    });
    if (!given) args.insert(args.begin() + 1, arg.data());
  }
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
  benchmark::RunSpecifiedBenchmarks();
  print_summary();
  benchmark::Shutdown();
  return 0;
}
