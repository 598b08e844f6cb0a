#include "platform/script_evaluation.h"

#include <memory>

#include "common/kb_error.h"
#include "platform/main_loop.h"
#include "platform/signal_guard.h"

namespace kb::gtk {
namespace {

struct Outcome {
  bool done = false;
  std::string value;
  std::string error;
};

void take_outcome(GObject* source, GAsyncResult* result, gpointer data) {
  std::unique_ptr<std::shared_ptr<Outcome>> holder(static_cast<std::shared_ptr<Outcome>*>(data));
  Outcome& out = **holder;
  guarded("script result", [&] {
    g_autoptr(GError) error = nullptr;
    g_autoptr(JSCValue) value =
        webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &error);
    if (error) {
      out.error = error->message;
    } else if (value && !jsc_value_is_undefined(value) && !jsc_value_is_null(value)) {
      g_autofree char* text = jsc_value_to_string(value);
      out.value = text ? text : "";
    }
  });
  // A result that could not be read still ends the wait; the caller then
  // gets what was read of it.
  out.done = true;
}

}  // namespace

std::string evaluate_script(WebKitWebView* view, const std::string& script,
                            std::chrono::milliseconds limit) {
  // The outcome is shared with the callback, which may come after a time-out.
  auto outcome = std::make_shared<Outcome>();
  webkit_web_view_evaluate_javascript(view, script.c_str(), static_cast<gssize>(script.size()),
                                      nullptr, nullptr, nullptr, take_outcome,
                                      new std::shared_ptr<Outcome>(outcome));
  if (!run_events_until([&] { return outcome->done; }, limit))
    throw engine_failure("The page did not answer in time");
  if (!outcome->error.empty()) throw script_exception(outcome->error);
  return outcome->value;
}

}  // namespace kb::gtk
