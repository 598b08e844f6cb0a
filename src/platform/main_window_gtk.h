#pragma once

#include <gtk/gtk.h>

#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "platform/form_box.h"
#include "platform/main_window_form.h"
#include "platform/web_view_control.h"
#include "shell/platform.h"

namespace kb::gtk {

// The main window on GTK 4: a window whose client area holds the control
// bar on top, the content area below it and the hidden new-window view.
// The controls stand where the window's form (form()) puts them; every change
// of the client area's size raises Form_Resize before they are placed.
class MainWindowGtk : public MainWindowView, private FormWindow {
 public:
  // The three views join the web process of `engine_view` when one is given.
  MainWindowGtk(MainWindowEvents& events, const PrintHandler& printer,
                WebKitWebView* engine_view = nullptr);
  ~MainWindowGtk() override;
  MainWindowGtk(const MainWindowGtk&) = delete;
  MainWindowGtk& operator=(const MainWindowGtk&) = delete;

  BrowserControl& brwControls() override { return *controls_; }
  BrowserControl& web() override { return *web_; }
  BrowserControl& wbbrwnewhidden() override { return *hidden_; }
  std::string caption() const override;
  void set_caption(const std::string& caption) override;
  void set_visible(bool visible) override;
  void show() override;
  void maximize() override;
  ElasticForm& form() override { return form_; }

  GtkWindow* window() const { return window_; }
  WebKitWebView* web_view() const { return web_->view(); }
  WebKitWebView* controls_view() const { return controls_->view(); }

 private:
  static GtkWidget* on_create(WebKitWebView* view, WebKitNavigationAction* action, gpointer self);
  GtkWidget* create_hidden_view(WebKitWebView* related);
  void place_controls(int width, int height);
  GtkWidget* control_widget(int index) const;

  PixelSize client_size() const override;
  void request_client_width(int pixels) override { request_client_size(pixels, std::nullopt); }
  void request_client_height(int pixels) override { request_client_size(std::nullopt, pixels); }
  WindowState window_state() const override;
  PixelSize screen_size() const override;
  double twips_per_pixel() const override { return twips_per_pixel_; }
  void request_client_size(std::optional<int> width, std::optional<int> height);

  MainWindowEvents& events_;
  // Cleared when the window is destroyed, for work queued by its signals.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  AllocateHandler on_allocate_;
  GObjectPtr<GtkWindow> window_;
  GtkWidget* box_ = nullptr;
  std::unique_ptr<WebViewControl> controls_;
  std::unique_ptr<WebViewControl> web_;
  std::unique_ptr<WebViewControl> hidden_;

  double twips_per_pixel_ = 15;
  MainWindowForm form_{*this};
  // The client size of the last allocation; none before the window is shown.
  std::optional<PixelSize> laid_out_;
  bool in_allocation_ = false;
};

}  // namespace kb::gtk
