#pragma once

#include <gtk/gtk.h>

namespace kb::gtk {

// Takes from `window` the keys the toolkit and the engine bind for
// developers: the toolkit's inspector (Ctrl+Shift+I, Ctrl+Shift+D), which can
// change or hide any part of any window, and the engine's caret browsing
// switch (F7), which makes the toolkit abort the program. Every window the
// program makes gets this before it is shown.
void refuse_developer_keys(GtkWindow* window);

}  // namespace kb::gtk
