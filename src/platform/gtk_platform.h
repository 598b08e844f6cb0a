#pragma once

#include <gtk/gtk.h>

#include <filesystem>
#include <functional>
#include <memory>
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
  explicit GtkPlatform(std::filesystem::path program_folder);
  ~GtkPlatform() override;

  std::unique_ptr<MainWindowView> create_main_window(MainWindowEvents& events) override;
  SplashView& load_splash(SplashEvents& events) override;
  MessageBox& message_box() override { return *message_box_; }
  void event_step() override;
  void pause(std::chrono::milliseconds duration) override;
  void end_program() override;

  void set_message_box(MessageBox* box) { message_box_ = box ? box : &gtk_box_; }
  void set_print_handler(PrintHandler printer) { printer_ = std::move(printer); }
  void set_end_handler(std::function<void()> end) { end_ = std::move(end); }

 private:
  std::filesystem::path program_folder_;
  GtkMessageBox gtk_box_;
  MessageBox* message_box_ = &gtk_box_;
  PrintHandler printer_;
  std::function<void()> end_;
  std::vector<guint> signal_sources_;
  std::unique_ptr<SplashGtk> splash_;
  // A view never shown, whose web process the main window's views share; it
  // starts the engine while the splash shows (see start_engine).
  WebKitWebView* engine_view_ = nullptr;

  void start_engine();
};

// Starts GTK and the engine's shared settings.
void initialize_toolkit(const std::filesystem::path& program_folder);

}  // namespace kb::gtk
