#include "platform/window_keys.h"

namespace kb::gtk {
namespace {

gboolean is_developer_key(GtkEventControllerKey*, guint key, guint, GdkModifierType state,
                          gpointer) {
  const auto both = GdkModifierType(GDK_CONTROL_MASK | GDK_SHIFT_MASK);
  const guint lower = gdk_keyval_to_lower(key);
  return key == GDK_KEY_F7 ||
         ((state & both) == both && (lower == GDK_KEY_i || lower == GDK_KEY_d));
}

}  // namespace

void refuse_developer_keys(GtkWindow* window) {
  // Caught on the way down, before the focused view (whose engine hands keys
  // it leaves back to the window) or the window's own bindings see them.
  GtkEventController* keys = gtk_event_controller_key_new();
  gtk_event_controller_set_propagation_phase(keys, GTK_PHASE_CAPTURE);
  g_signal_connect(keys, "key-pressed", G_CALLBACK(is_developer_key), nullptr);
  gtk_widget_add_controller(GTK_WIDGET(window), keys);
  // Whatever else asks the window for the inspector is refused too.
  g_signal_connect(window, "enable-debugging",
                   G_CALLBACK(+[](GtkWindow*, gboolean, gpointer) -> gboolean { return TRUE; }),
                   nullptr);
}

}  // namespace kb::gtk
