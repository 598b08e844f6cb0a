#include "page_probe.h"

#include <unistd.h>

#include <memory>
#include <stdexcept>

#include "figures.h"
#include "platform/main_loop.h"
#include "platform/script_evaluation.h"
#include "process_memory.h"

namespace kb::bench {
namespace {

// Checks are spaced this far apart, so that asking does not keep the engine
// busy while it is building the page.
constexpr gint64 kCheckIntervalUs = 5000;

// Quotes `text` as a JavaScript string literal (selectors hold quotes).
std::string js_literal(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

std::string shown_check_script(const std::string& selector, int count, bool pictures) {
  // Two animation frames after the tiles are complete: the first runs before
  // the frame that draws them, the second once that frame is out.
  return "(function () {"
         "  if (window.kbBenchShown) return 'shown';"
         "  var tiles = document.querySelectorAll(" +
         js_literal(selector) +
         ");"
         "  if (document.readyState !== 'complete' || " +
         (count >= 0 ? "tiles.length !== " + std::to_string(count) : std::string("!tiles.length")) +
         ") return 'no';"
         "  for (var i = 0; " +
         std::string(pictures ? "i < tiles.length" : "false") +
         "; ++i) {"
         "    var img = tiles[i].querySelector('img');"
         "    if (!img || !img.complete || !img.naturalWidth) return 'no';"
         "  }"
         "  if (!window.kbBenchFrame) {"
         "    window.kbBenchFrame = true;"
         "    requestAnimationFrame(function () {"
         "      requestAnimationFrame(function () { window.kbBenchShown = true; });"
         "    });"
         "  }"
         "  return 'wait';"
         "})()";
}

gint64 wait_until_shown(const std::function<std::string()>& check,
                        std::chrono::milliseconds limit) {
  // Wakes the main loop for the next check when nothing else does.
  const guint ticker = g_timeout_add(
      kCheckIntervalUs / 1000, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
  gint64 last_check = 0;
  gint64 shown_at = 0;
  gtk::run_events_until(
      [&] {
        const gint64 now = g_get_monotonic_time();
        if (now - last_check < kCheckIntervalUs) return false;
        last_check = now;
        std::string answer;
        try {
          answer = check();
        } catch (const std::exception&) {
          return false;
        }
        if (answer != "shown") return false;
        shown_at = g_get_monotonic_time();
        return true;
      },
      limit);
  g_source_remove(ticker);
  if (shown_at == 0) throw std::runtime_error("the page was not shown in time");
  return shown_at;
}

std::string evaluate(WebKitWebView* view, const std::string& script) {
  return gtk::evaluate_script(view, script, std::chrono::seconds(10));
}

void settle_and_report_memory() {
  gtk::run_events_until([] { return false; }, kMemorySettle);
  const ProcessMemory memory = measure_process_tree(::getpid());
  report_figure("host_rss_mb", memory.host_rss_mb);
  report_figure("total_rss_mb", memory.total_rss_mb);
  report_figure("total_pss_mb", memory.total_pss_mb);
  report_figure("processes", memory.processes);
}

}  // namespace kb::bench
