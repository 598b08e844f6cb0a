#include "platform/print_dialog.h"

#include <gtk/gtkunixprint.h>

#include <iostream>

#include "platform/gobject_ptr.h"
#include "platform/window_keys.h"

namespace kb::gtk {

void offer_real_printers_only() {
  g_object_set(gtk_settings_get_default(), "gtk-print-backends", "cups", nullptr);
}

void limit_to_one_copy(GtkPrintSettings* settings) {
  gtk_print_settings_set_n_copies(settings, 1);
  gtk_print_settings_set_collate(settings, FALSE);
}

void print_with_dialog(WebKitWebView* view) {
  g_autoptr(WebKitWebView) page = WEBKIT_WEB_VIEW(g_object_ref(view));
  GtkRoot* root = gtk_widget_get_root(GTK_WIDGET(page));
  const auto dialog = GObjectPtr<GtkWidget>::sink(
      gtk_print_unix_dialog_new("Print", GTK_IS_WINDOW(root) ? GTK_WINDOW(root) : nullptr));
  gtk_window_set_modal(GTK_WINDOW(dialog.get()), TRUE);
  refuse_developer_keys(GTK_WINDOW(dialog.get()));
  int response = GTK_RESPONSE_NONE;
  g_signal_connect(dialog, "response", G_CALLBACK(+[](GtkDialog*, int answer, gpointer out) {
                     *static_cast<int*>(out) = answer;
                   }),
                   &response);
  gtk_window_present(GTK_WINDOW(dialog.get()));
  while (response == GTK_RESPONSE_NONE) g_main_context_iteration(nullptr, TRUE);

  GtkPrintUnixDialog* chooser = GTK_PRINT_UNIX_DIALOG(dialog.get());
  GtkPrinter* printer = gtk_print_unix_dialog_get_selected_printer(chooser);
  // Only a real printer prints; a virtual one would write a file.
  if (response == GTK_RESPONSE_OK && printer && !gtk_printer_is_virtual(printer)) {
    g_autoptr(GtkPrintSettings) settings = gtk_print_unix_dialog_get_settings(chooser);
    gtk_print_settings_set_printer(settings, gtk_printer_get_name(printer));
    limit_to_one_copy(settings);
    // The operation keeps itself alive until the print has gone out.
    WebKitPrintOperation* operation = webkit_print_operation_new(page);
    webkit_print_operation_set_print_settings(operation, settings);
    webkit_print_operation_set_page_setup(operation, gtk_print_unix_dialog_get_page_setup(chooser));
    g_signal_connect(operation, "failed",
                     G_CALLBACK(+[](WebKitPrintOperation*, GError* error, gpointer) {
                       std::cerr << "kitebrook: printing failed: " << error->message << '\n';
                     }),
                     nullptr);
    g_signal_connect(operation, "finished", G_CALLBACK(g_object_unref), nullptr);
    webkit_print_operation_print(operation);
  }
  gtk_window_destroy(GTK_WINDOW(dialog.get()));
}

}  // namespace kb::gtk
