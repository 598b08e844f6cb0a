#include "platform/main_loop.h"

#include <glib.h>

#include <memory>

#include "platform/signal_guard.h"

namespace kb::gtk {

void run_soon(std::function<void()> task) {
  auto* heap = new std::function<void()>(std::move(task));
  g_idle_add_full(
      G_PRIORITY_DEFAULT,
      [](gpointer data) -> gboolean {
        std::unique_ptr<std::function<void()>> owned(static_cast<std::function<void()>*>(data));
        guarded("queued task", *owned);
        return G_SOURCE_REMOVE;
      },
      heap, nullptr);
}

void run_main_loop() {
  for (;;) g_main_context_iteration(nullptr, TRUE);
}

void event_step() {
  while (g_main_context_iteration(nullptr, FALSE)) {
  }
}

bool run_events_until(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const gint64 deadline = g_get_monotonic_time() + limit.count() * 1000;
  // A short heartbeat wakes the blocking iteration so the deadline is seen.
  const guint heartbeat = g_timeout_add(
      20, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
  while (!done() && g_get_monotonic_time() < deadline) g_main_context_iteration(nullptr, TRUE);
  g_source_remove(heartbeat);
  return done();
}

}  // namespace kb::gtk
