#include "platform/form_box.h"

namespace kb::gtk {
namespace {

struct FormBox {
  GtkWidget parent_instance;
  AllocateHandler* on_allocate;
};

struct FormBoxClass {
  GtkWidgetClass parent_class;
};

G_DEFINE_TYPE(FormBox, form_box, GTK_TYPE_WIDGET)

void form_box_measure(GtkWidget*, GtkOrientation, int, int* minimum, int* natural, int*, int*) {
  // The window may be made as small as the person likes; the layout sets
  // its own lower bound.
  *minimum = 0;
  *natural = 0;
}

void form_box_size_allocate(GtkWidget* widget, int width, int height, int) {
  auto* box = reinterpret_cast<FormBox*>(widget);
  if (box->on_allocate) (*box->on_allocate)(width, height);
}

void form_box_dispose(GObject* object) {
  GtkWidget* child;
  while ((child = gtk_widget_get_first_child(GTK_WIDGET(object)))) gtk_widget_unparent(child);
  G_OBJECT_CLASS(form_box_parent_class)->dispose(object);
}

void form_box_class_init(FormBoxClass* klass) {
  G_OBJECT_CLASS(klass)->dispose = form_box_dispose;
  GTK_WIDGET_CLASS(klass)->measure = form_box_measure;
  GTK_WIDGET_CLASS(klass)->size_allocate = form_box_size_allocate;
}

void form_box_init(FormBox* box) {
  box->on_allocate = nullptr;
}

}  // namespace

GtkWidget* form_box_new(AllocateHandler* on_allocate) {
  auto* box = static_cast<FormBox*>(g_object_new(form_box_get_type(), nullptr));
  box->on_allocate = on_allocate;
  return GTK_WIDGET(box);
}

}  // namespace kb::gtk
