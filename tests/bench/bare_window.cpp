// The yardstick for the start-up benchmark: a bare GTK 4 window with one
// WebKit view that loads a local page, and nothing else. Started afresh by
// startup_bench for every run, it reports when the page's tiles are shown
// (shown_at_us, monotonic) and the memory it then holds, measured as the
// program's own probe measures them.
//
//   bare_window PAGE SELECTOR COUNT
#include <gtk/gtk.h>
#include <webkit/webkit.h>

#include <cstdlib>
#include <iostream>

#include "figures.h"
#include "page_probe.h"
#include "platform/engine_drawing.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: bare_window PAGE SELECTOR COUNT\n";
    return 2;
  }
  try {
    // The engine draws the way the program has it draw on this machine.
    kb::gtk::draw_with_cpu_without_gpu();
    gtk_init();
    GtkWindow* window = GTK_WINDOW(gtk_window_new());
    WebKitWebView* view = WEBKIT_WEB_VIEW(webkit_web_view_new());
    gtk_window_set_child(window, GTK_WIDGET(view));
    // Maximized like the program's main window, so both draw the same area.
    gtk_window_maximize(window);
    g_autofree char* uri = g_filename_to_uri(argv[1], nullptr, nullptr);
    if (!uri) throw std::runtime_error(std::string("not a file: ") + argv[1]);
    webkit_web_view_load_uri(view, uri);
    gtk_window_present(window);

    const std::string check = kb::bench::shown_check_script(argv[2], std::atoi(argv[3]));
    const gint64 shown = kb::bench::wait_until_shown(
        [&] { return kb::bench::evaluate(view, check); }, std::chrono::seconds(20));
    kb::bench::report_figure("shown_at_us", static_cast<double>(shown));
    kb::bench::settle_and_report_memory();
    gtk_window_destroy(window);
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "bare_window: " << e.what() << '\n';
    return 1;
  }
}
