#pragma once

#include <gtk/gtk.h>

#include <array>
#include <functional>
#include <memory>

#include "platform/form_box.h"
#include "platform/web_view_control.h"
#include "shell/platform.h"

namespace kb::gtk {

// The main window on GTK 4: a window whose client area holds the control
// bar on top, the content area below it and the hidden new-window view.
class MainWindowGtk : public MainWindowView {
 public:
  MainWindowGtk(MainWindowEvents& events, const PrintHandler& printer,
                std::function<void()> on_closed);
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

  GtkWindow* window() const { return window_; }
  WebKitWebView* web_view() const { return web_->view(); }
  WebKitWebView* controls_view() const { return controls_->view(); }

 private:
  static GtkWidget* on_create(WebKitWebView* view, WebKitNavigationAction* action, gpointer self);
  void place_controls(int width, int height);

  MainWindowEvents& events_;
  std::function<void()> on_closed_;
  AllocateHandler on_allocate_;
  GtkWindow* window_ = nullptr;
  GtkWidget* box_ = nullptr;
  std::unique_ptr<WebViewControl> controls_;
  std::unique_ptr<WebViewControl> web_;
  std::unique_ptr<WebViewControl> hidden_;
};

}  // namespace kb::gtk
