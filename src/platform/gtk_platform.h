#pragma once

#include <gtk/gtk.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/web_view_control.h"
#include "shell/platform.h"

namespace kb::gtk {

class GtkMessageBox : public MessageBox {
 public:
  ~GtkMessageBox() override;
  void show(const std::string& text) override;
  // The window the box is modal for; forgotten by itself when that window
  // is destroyed.
  void set_parent(GtkWindow* parent);
  bool is_open() const { return open_; }

 private:
  GtkWindow* parent_ = nullptr;
  bool open_ = false;
};

class SplashGtk;

// The windowing layer on GTK 4 and WebKitGTK. The three things that would
// wait for a person or end the process (message box, print dialog, program
// end) can be replaced, which the end-to-end tests do.
class GtkPlatform : public Platform {
 public:
  // `pages` is the folder of the host's pages; `config_file` the
  // configuration those pages read.
  GtkPlatform(std::filesystem::path pages, std::filesystem::path config_file);
  ~GtkPlatform() override;

  // Runs the program's events until it ends, through leaving or the end of
  // the desktop session.
  [[noreturn]] void run();

  std::unique_ptr<MainWindowView> create_main_window(MainWindowEvents& events) override;
  SplashView& load_splash(SplashEvents& events) override;
  MessageBox& message_box() override { return *message_box_; }
  void event_step() override;
  void run_soon(std::function<void()> task) override;
  void pause(std::chrono::milliseconds duration) override;
  void end_program() override;

  void set_message_box(MessageBox* box) { message_box_ = box ? box : &gtk_box_; }
  void set_print_handler(PrintHandler printer) { printer_ = std::move(printer); }
  void set_end_handler(std::function<void()> end) { end_ = std::move(end); }
  // The main window fills the screen without a frame: Kitebrook is the
  // whole session.
  void set_whole_session(bool whole) { whole_session_ = whole; }

 private:
  std::filesystem::path pages_;
  std::filesystem::path config_file_;
  bool whole_session_ = false;
  GtkMessageBox gtk_box_;
  MessageBox* message_box_ = &gtk_box_;
  PrintHandler printer_;
  std::function<void()> end_;
  std::vector<guint> signal_sources_;
  std::unique_ptr<SplashGtk> splash_;
  // A view never shown, whose web process the main window's views share; it
  // starts the engine while the splash shows (see start_engine).
  GObjectPtr<WebKitWebView> engine_view_;

  void start_engine();
};

// The application ID: the name of the desktop file, the AppStream entry and
// the icon, and the program's name on the display.
inline constexpr const char* kApplicationId = "org.kitebrook.Kitebrook";

// Starts GTK and the engine's shared settings; the icons come from the
// Images folder of `pages`.
void initialize_toolkit(const std::filesystem::path& pages);

// Tells the person at the screen why the program could not start, when
// there is a display to tell it on.
void report_start_failure(const std::string& text);

}  // namespace kb::gtk
