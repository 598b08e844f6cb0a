#include "platform/gtk_platform.h"

#include <glib-unix.h>

#include <csignal>
#include <cstdlib>
#include <iostream>

#include "common/kb_error.h"
#include "platform/config_scheme.h"
#include "platform/engine_drawing.h"
#include "platform/main_loop.h"
#include "platform/main_window_gtk.h"
#include "platform/print_dialog.h"
#include "platform/signal_guard.h"
#include "platform/window_keys.h"

namespace kb::gtk {

// The splash window: one picture and a timer that ticks every two seconds
// while the window is loaded.
class SplashGtk : public SplashView {
 public:
  SplashGtk(const std::filesystem::path& picture, SplashEvents& events,
            std::function<void()> on_unload)
      : events_(events), on_unload_(std::move(on_unload)) {
    // The timer runs from the moment the window loads; building the window
    // and reading its picture count towards the two seconds.
    timer_ = g_timeout_add(2000, on_tick, this);
    window_ = GObjectPtr<GtkWindow>::sink(GTK_WINDOW(gtk_window_new()));
    gtk_window_set_title(window_, "Kitebrook");
    refuse_developer_keys(window_);
    gtk_window_set_decorated(window_, FALSE);
    gtk_window_set_resizable(window_, FALSE);
    gtk_window_set_default_size(window_, 299, 281);
    GtkWidget* image = gtk_picture_new_for_filename(picture.c_str());
    gtk_picture_set_can_shrink(GTK_PICTURE(image), TRUE);
    gtk_widget_set_size_request(image, 299, 281);
    gtk_window_set_child(window_, image);
    gtk_window_present(window_);
  }
  ~SplashGtk() override {
    if (timer_) g_source_remove(timer_);
    gtk_window_destroy(window_);
  }
  SplashGtk(const SplashGtk&) = delete;
  SplashGtk& operator=(const SplashGtk&) = delete;

  void set_visible(bool visible) override {
    gtk_widget_set_visible(GTK_WIDGET(window_.get()), visible);
  }
  void unload() override {
    // No tick after the unload, even before the window is destroyed.
    if (timer_) g_source_remove(timer_);
    timer_ = 0;
    on_unload_();
  }

 private:
  static gboolean on_tick(gpointer data) {
    // The tick may unload this window; its destructor then removes the timer.
    guarded("splash tick", [data] { static_cast<SplashGtk*>(data)->events_.Timer1_Timer(); });
    return G_SOURCE_CONTINUE;
  }

  SplashEvents& events_;
  std::function<void()> on_unload_;
  GObjectPtr<GtkWindow> window_;
  guint timer_ = 0;
};

void GtkMessageBox::set_parent(GtkWindow* parent) {
  if (parent_)
    g_object_remove_weak_pointer(G_OBJECT(parent_), reinterpret_cast<gpointer*>(&parent_));
  parent_ = parent;
  if (parent_) g_object_add_weak_pointer(G_OBJECT(parent_), reinterpret_cast<gpointer*>(&parent_));
}

GtkMessageBox::~GtkMessageBox() {
  set_parent(nullptr);
}

void GtkMessageBox::show(const std::string& text) {
  // One box at a time: a request that arrives while one is open (a page
  // asking to print again and again) gets no box of its own.
  if (open_) {
    std::cerr << "kitebrook: a message was not shown, another is open: " << text << '\n';
    return;
  }
  open_ = true;
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  // Held while it runs: closing it by Escape or the title bar destroys it before it answers.
  const auto dialog = GObjectPtr<GtkWidget>::sink(gtk_message_dialog_new(
      parent_, GTK_DIALOG_MODAL, GTK_MESSAGE_OTHER, GTK_BUTTONS_OK, "%s", text.c_str()));
  gtk_window_set_title(GTK_WINDOW(dialog.get()), "Kitebrook");
  refuse_developer_keys(GTK_WINDOW(dialog.get()));
  bool answered = false;
  g_signal_connect(dialog, "response", G_CALLBACK(+[](GtkDialog*, int, gpointer done) {
                     *static_cast<bool*>(done) = true;
                   }),
                   &answered);
  gtk_window_present(GTK_WINDOW(dialog.get()));
  while (!answered) g_main_context_iteration(nullptr, TRUE);
  gtk_window_destroy(GTK_WINDOW(dialog.get()));
  G_GNUC_END_IGNORE_DEPRECATIONS
  open_ = false;
}

GtkPlatform::GtkPlatform(std::filesystem::path pages, std::filesystem::path config_file)
    : pages_(std::move(pages)), config_file_(std::move(config_file)) {
  printer_ = print_with_dialog;
  end_ = [] { std::exit(0); };
  // The end of the desktop session (SIGTERM, SIGHUP) ends the program as
  // leaving does, without the password.
  for (const int signal : {SIGTERM, SIGHUP})
    signal_sources_.push_back(g_unix_signal_add(
        signal,
        +[](gpointer self) -> gboolean {
          guarded("end of session", [self] { static_cast<GtkPlatform*>(self)->end_program(); });
          return G_SOURCE_CONTINUE;
        },
        this));
}

GtkPlatform::~GtkPlatform() {
  for (const guint source : signal_sources_) g_source_remove(source);
}

std::unique_ptr<MainWindowView> GtkPlatform::create_main_window(MainWindowEvents& events) {
  start_engine();
  auto window = std::make_unique<MainWindowGtk>(events, printer_, engine_view_);
  gtk_box_.set_parent(window->window());
  if (whole_session_) {
    gtk_window_set_decorated(window->window(), FALSE);
    gtk_window_fullscreen(window->window());
  }
  return window;
}

SplashView& GtkPlatform::load_splash(SplashEvents& events) {
  if (!splash_) {
    splash_ = std::make_unique<SplashGtk>(pages_ / "Images" / "splash.svg", events, [this] {
      // Destroyed on a later turn: the tick that unloads it is still running.
      auto* old = splash_.release();
      run_soon([old] { delete old; });
    });
  }
  start_engine();
  return *splash_;
}

namespace {

// Set once per process, before the first view: nothing is saved to disk
// behind the parent's back, neither a download nor a print to a file.
void refuse_downloads_and_virtual_printers() {
  static bool done = false;
  if (done) return;
  offer_real_printers_only();
  g_signal_connect(webkit_network_session_get_default(), "download-started",
                   G_CALLBACK(+[](WebKitNetworkSession*, WebKitDownload* download, gpointer) {
                     webkit_download_cancel(download);
                   }),
                   nullptr);
  done = true;
}

}  // namespace

void GtkPlatform::start_engine() {
  // The engine takes a good part of the splash's two seconds to start its
  // network and web processes, so it starts now rather than when the first
  // tick creates the main window: a view that is never shown loads an empty
  // document from the Data folder, and the main window's views are created
  // related to it, which puts them in its web process, already running. The
  // host's pages come from that same folder, so they stay in that process.
  // The view lives as long as the platform, so that a rebuilt main window
  // finds the process running too, and all windows share one web process.
  // Setting the engine up waits until the splash shows, too.
  if (engine_view_) return;
  refuse_downloads_and_virtual_printers();
  // The pages read the configuration (without the password) from the host.
  serve_config_to_pages(pages_, config_file_);
  engine_view_ = GObjectPtr<WebKitWebView>::sink(new_web_view());
  g_autofree char* pages = g_filename_to_uri((pages_ / "").c_str(), nullptr, nullptr);
  webkit_web_view_load_html(engine_view_, "", pages);
}

void GtkPlatform::run() {
  run_main_loop();
}

void GtkPlatform::event_step() {
  ::kb::gtk::event_step();
}

void GtkPlatform::run_soon(std::function<void()> task) {
  ::kb::gtk::run_soon(std::move(task));
}

void GtkPlatform::pause(std::chrono::milliseconds duration) {
  g_usleep(static_cast<gulong>(duration.count()) * 1000);
}

void GtkPlatform::end_program() {
  end_();
}

void initialize_toolkit(const std::filesystem::path& pages) {
  static bool started = false;
  if (!started) {
    // The desktop finds the program's entry and icon by this name.
    g_set_prgname(kApplicationId);
    draw_with_cpu_without_gpu();
    gtk_init();
    started = true;
  }
  GtkIconTheme* theme = gtk_icon_theme_get_for_display(gdk_display_get_default());
  gtk_icon_theme_add_search_path(theme, (pages / "Images").c_str());
  // An installed program has its icon under the application ID, in the
  // icons folder beside its pages; one run from its build folder has only
  // the pages' own picture. Looking for the file, rather than asking the
  // theme, leaves reading the theme to the splash's first frame.
  const std::filesystem::path pages_folder = pages.has_filename() ? pages : pages.parent_path();
  const std::filesystem::path icons = pages_folder.parent_path() / "icons";
  std::error_code ec;
  const bool installed = std::filesystem::exists(
      icons / "hicolor" / "scalable" / "apps" / (std::string(kApplicationId) + ".svg"), ec);
  if (installed) gtk_icon_theme_add_search_path(theme, icons.c_str());
  gtk_window_set_default_icon_name(installed ? kApplicationId : "kitebrook-icon");
}

void report_start_failure(const std::string& text) {
  if (!gtk_is_initialized()) {
    g_set_prgname(kApplicationId);
    if (!gtk_init_check()) return;
  }
  GtkMessageBox box;
  box.show(text);
}

}  // namespace kb::gtk
