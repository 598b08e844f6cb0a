// One run of the real program for the start-up benchmark (startup_bench
// starts a fresh process of it for every run). It starts the program on the
// end-to-end fixture, through Main and the splash's own timer, and reports:
//   loaded_at_us   monotonic time at which its libraries were loaded
//   main_at_us     monotonic time at which Main was called
//   shown_at_us    monotonic time at which SelectUser.htm showed its tiles
//   host_rss_mb... memory on the user-selection page
//   click_ms       from a click on a child to its tiles shown in UserStart.html
//   loadsites_ms   median round trip of LOADSITES, measured in the page
//   log_page_ms    from the parent's click on the visit log to its rows shown,
//                  with 30 days of 1,000 visits a day in the log
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <vector>

#include "e2e_fixture.h"
#include "figures.h"
#include "page_probe.h"
#include "visit_log_fill.h"
#include "visits/visit_log.h"

namespace kb::testing {
namespace {

using namespace std::chrono_literals;

constexpr int kRoundTrips = 100;

// When the process had loaded its libraries and began to run its own code.
const gint64 loaded_at_us = g_get_monotonic_time();

class KitebrookProbe : public E2ETest {
 protected:
  // Waits until the content area of the program's main window shows the host
  // page `file` with `count` tiles matching `selector`; answers the monotonic
  // time in microseconds.
  gint64 wait_for_tiles(const std::string& file, const std::string& selector, int count,
                        bool pictures = true) {
    const std::string check = bench::shown_check_script(selector, count, pictures);
    return bench::wait_until_shown(
        [&]() -> std::string {
          // Asking for the main window before the start sequence has run
          // would load it.
          if (!app_->state().start_done || !app_->has_main_window()) return "no";
          if (web_location() != page(file)) return "no";
          return web_js(check);
        },
        20s);
  }

  // Sends LOADSITES from UserStart.html kRoundTrips times, each as soon as
  // the previous one has run, and answers the times from sending to the
  // host's call of Load_Sites, in milliseconds, as the page measured them.
  std::vector<double> loadsites_round_trips() {
    // The next command leaves the page's queue when the host reports the
    // previous one done, so the clock starts there; the first leaves at once.
    web_js(
        "(function () {"
        "  var times = [], started = 0;"
        "  var loadSites = window.Load_Sites, commandDone = window.kbCommandDone;"
        "  window.kbCommandDone = function (name) {"
        "    started = performance.now();"
        "    return commandDone(name);"
        "  };"
        "  window.Load_Sites = function (name) {"
        "    times.push(performance.now() - started);"
        "    loadSites(name);"
        "    if (times.length < " +
        std::to_string(kRoundTrips) +
        ") KB.send('LOADSITES');"
        "    else window.kbBenchTimes = times;"
        "  };"
        "  KB.whenIdle().then(function () {"
        "    started = performance.now();"
        "    KB.send('LOADSITES');"
        "  });"
        "  return 0;"
        "})()");
    std::string times;
    const bool done = run_until(
        [&] {
          times = web_js("window.kbBenchTimes ? window.kbBenchTimes.join(' ') : ''");
          return !times.empty();
        },
        60s);
    if (!done) throw std::runtime_error("the LOADSITES round trips did not finish");
    std::vector<double> values;
    std::istringstream in(times);
    for (double value = 0; in >> value;) values.push_back(value);
    return values;
  }
};

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

TEST_F(KitebrookProbe, StartChooseAChildAndLoadSites) {
  write_config(two_children_config());
  // The real splash: its timer's first tick runs the start sequence.
  bench::report_figure("loaded_at_us", static_cast<double>(loaded_at_us));
  bench::report_figure("main_at_us", static_cast<double>(g_get_monotonic_time()));
  app_->Main();
  bench::report_figure("shown_at_us",
                       static_cast<double>(wait_for_tiles("SelectUser.htm", ".user-tile", 2)));
  bench::settle_and_report_memory();

  const gint64 chosen = g_get_monotonic_time();
  web_js("document.querySelector('.user-tile[data-user=\"Mary\"]').click()");
  const gint64 shown = wait_for_tiles("UserStart.html", ".site-tile", 2);
  bench::report_figure("click_ms", static_cast<double>(shown - chosen) / 1000);

  const std::vector<double> trips = loadsites_round_trips();
  ASSERT_EQ(trips.size(), static_cast<std::size_t>(kRoundTrips));
  bench::report_figure("loadsites_ms", median(trips));
  bench::report_figure("loadsites_max_ms", *std::max_element(trips.begin(), trips.end()));
  EXPECT_EQ(app_->state().current_user, "Mary");

  // The parent opens the visit log of a month of busy days.
  bench::fill_visit_log(visits::visit_log_file(registry_->files().hklm), clock_.now());
  open_parents_pages("secret");
  ASSERT_TRUE(has_element("visit-log-link"));
  const gint64 asked = g_get_monotonic_time();
  click("visit-log-link");
  const gint64 log_shown = wait_for_tiles("VisitLog.htm", ".visit-row", -1, false);
  bench::report_figure("log_page_ms", static_cast<double>(log_shown - asked) / 1000);
  EXPECT_TRUE(messages_.texts.empty());
}

}  // namespace
}  // namespace kb::testing
