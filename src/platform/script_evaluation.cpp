#include "platform/script_evaluation.h"

#include <memory>

#include "common/kb_error.h"
#include "platform/main_loop.h"

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
  GError* error = nullptr;
  JSCValue* value =
      webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &error);
  if (error) {
    out.error = error->message;
    g_error_free(error);
  } else if (value) {
    if (!jsc_value_is_undefined(value) && !jsc_value_is_null(value)) {
      g_autofree char* text = jsc_value_to_string(value);
      out.value = text ? text : "";
    }
    g_object_unref(value);
  }
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
    throw Error(-2147467259, "The page did not answer in time");
  if (!outcome->error.empty()) throw Error(-2147352319, outcome->error);
  return outcome->value;
}

}  // namespace kb::gtk
