#pragma once

#include <gtk/gtk.h>

#include <functional>

namespace kb::gtk {

// Called with the box's size whenever it is laid out; it places the children.
using AllocateHandler = std::function<void(int width, int height)>;

// A plain container whose children are placed by the program, in pixels,
// each time the box gets a new size.
GtkWidget* form_box_new(AllocateHandler* on_allocate);

}  // namespace kb::gtk
