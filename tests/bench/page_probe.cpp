#include "page_probe.h"

#include <unistd.h>

#include <memory>
#include <stdexcept>

#include "figures.h"
#include "platform/main_loop.h"
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

std::string shown_check_script(const std::string& selector, int count) {
  // Two animation frames after the tiles are complete: the first runs before
  // the frame that draws them, the second once that frame is out.
  return "(function () {"
         "  if (window.kbBenchShown) return 'shown';"
         "  var tiles = document.querySelectorAll(" +
         js_literal(selector) +
         ");"
         "  if (document.readyState !== 'complete' || tiles.length !== " +
         std::to_string(count) +
         ") return 'no';"
         "  for (var i = 0; i < tiles.length; ++i) {"
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
  struct Outcome {
    bool done = false;
    std::string value;
    std::string error;
  };
  auto outcome = std::make_shared<Outcome>();
  webkit_web_view_evaluate_javascript(
      view, script.c_str(), static_cast<gssize>(script.size()), nullptr, nullptr, nullptr,
      [](GObject* source, GAsyncResult* result, gpointer data) {
        std::unique_ptr<std::shared_ptr<Outcome>> holder(
            static_cast<std::shared_ptr<Outcome>*>(data));
        Outcome& out = **holder;
        GError* error = nullptr;
        JSCValue* value =
            webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &error);
        if (error) {
          out.error = error->message;
          g_error_free(error);
        } else if (value) {
          g_autofree char* text = jsc_value_to_string(value);
          out.value = text ? text : "";
          g_object_unref(value);
        }
        out.done = true;
      },
      new std::shared_ptr<Outcome>(outcome));
  if (!gtk::run_events_until([&] { return outcome->done; }, std::chrono::seconds(10)))
    throw std::runtime_error("the page did not answer in time");
  if (!outcome->error.empty()) throw std::runtime_error(outcome->error);
  return outcome->value;
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
