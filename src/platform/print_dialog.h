#pragma once

#include <gtk/gtk.h>
#include <webkit/webkit.h>

namespace kb::gtk {

// Lets the toolkit offer real printers only: of its print backends it loads
// the one for CUPS alone, so no dialog offers "Print to File" (or any other
// way to write a file). Call once the toolkit has started, before any print.
void offer_real_printers_only();

// The settings a counted print goes out with: what the person chose in the
// dialog, as one copy.
void limit_to_one_copy(GtkPrintSettings* settings);

// Opens the print dialog for the page of `view`, modal for its window, and
// prints what the person chose there, as one copy on a real printer.
// Returns once the dialog is closed; the printing itself goes on after.
void print_with_dialog(WebKitWebView* view);

}  // namespace kb::gtk
