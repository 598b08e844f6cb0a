#include <gtest/gtest.h>
#include <gtk/gtkunixprint.h>

#include "e2e_fixture.h"
#include "platform/print_dialog.h"

namespace kb::testing {
namespace {

// The texts of every label in a widget tree.
void collect_labels(GtkWidget* widget, std::vector<std::string>& texts) {
  if (GTK_IS_LABEL(widget)) texts.emplace_back(gtk_label_get_text(GTK_LABEL(widget)));
  if (GTK_IS_INSCRIPTION(widget) && gtk_inscription_get_text(GTK_INSCRIPTION(widget)))
    texts.emplace_back(gtk_inscription_get_text(GTK_INSCRIPTION(widget)));
  for (GtkWidget* child = gtk_widget_get_first_child(widget); child;
       child = gtk_widget_get_next_sibling(child))
    collect_labels(child, texts);
}

GtkPrintUnixDialog* open_print_dialog() {
  GListModel* toplevels = gtk_window_get_toplevels();
  for (guint i = 0; i < g_list_model_get_n_items(toplevels); ++i) {
    g_autoptr(GObject) window = G_OBJECT(g_list_model_get_item(toplevels, i));
    if (GTK_IS_PRINT_UNIX_DIALOG(window) && gtk_widget_get_visible(GTK_WIDGET(window)))
      return GTK_PRINT_UNIX_DIALOG(window);
  }
  return nullptr;
}

using PrintDialog = E2ETest;

// The real dialog, with the toolkit's file backend installed: it lists no
// file output, and a print goes out as one copy whatever the dialog says.
TEST_F(PrintDialog, OffersRealPrintersOnlyAndPrintsOneCopy) {
  platform_->set_print_handler(gtk::print_with_dialog);
  write_config(two_children_config());
  start_as_child("Mary");

  struct Seen {
    bool dialog = false;
    std::vector<std::string> labels;
    bool closed = false;
  } seen;
  // The dialog is modal: the test reads it from a timer once the printers
  // had time to be listed, then cancels it.
  g_timeout_add(
      3600,  // the press below waits 600 ms first
      +[](gpointer data) -> gboolean {
        auto* s = static_cast<Seen*>(data);
        if (GtkPrintUnixDialog* dialog = open_print_dialog()) {
          s->dialog = true;
          collect_labels(GTK_WIDGET(dialog), s->labels);
          G_GNUC_BEGIN_IGNORE_DEPRECATIONS
          gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
          G_GNUC_END_IGNORE_DEPRECATIONS
        }
        s->closed = true;
        return G_SOURCE_REMOVE;
      },
      &seen);
  press("btnPrint");
  ASSERT_TRUE(run_until([&] { return seen.closed; }));
  ASSERT_TRUE(seen.dialog);
  EXPECT_FALSE(seen.labels.empty());
  for (const std::string& label : seen.labels) {
    EXPECT_EQ(label.find("Print to File"), std::string::npos);
    EXPECT_EQ(label.find("Output file"), std::string::npos);
  }

  g_autoptr(GtkPrintSettings) settings = gtk_print_settings_new();
  gtk_print_settings_set_n_copies(settings, 5);
  gtk_print_settings_set_collate(settings, TRUE);
  gtk::limit_to_one_copy(settings);
  EXPECT_EQ(gtk_print_settings_get_n_copies(settings), 1);
}

}  // namespace
}  // namespace kb::testing
