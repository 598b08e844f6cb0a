#include "platform/main_window_gtk.h"

#include <algorithm>
#include <iostream>

#include "common/kb_error.h"
#include "platform/main_loop.h"
#include "platform/signal_guard.h"
#include "platform/window_keys.h"

namespace kb::gtk {
namespace {

void allocate(GtkWidget* child, const PixelRect& rect) {
  if (!gtk_widget_get_visible(child)) return;
  const GtkAllocation allocation{rect.x, rect.y, std::max(rect.width, 0), std::max(rect.height, 0)};
  gtk_widget_size_allocate(child, &allocation, -1);
}

// The resolution the toolkit renders text at; 96 dpi unless configured.
double toolkit_twips_per_pixel() {
  int xft_dpi = -1;  // in 1024ths of a dot per inch
  g_object_get(gtk_settings_get_default(), "gtk-xft-dpi", &xft_dpi, nullptr);
  return twips_per_pixel_at(xft_dpi > 0 ? xft_dpi / 1024.0 : 96.0);
}

}  // namespace

MainWindowGtk::MainWindowGtk(MainWindowEvents& events, const PrintHandler& printer,
                             WebKitWebView* engine_view)
    : events_(events) {
  window_ = GObjectPtr<GtkWindow>::sink(GTK_WINDOW(gtk_window_new()));
  gtk_window_set_title(window_, "Kitebrook");
  refuse_developer_keys(window_);
  // The window opens at its designed size and cannot be made smaller than
  // half of it.
  twips_per_pixel_ = toolkit_twips_per_pixel();
  const PixelSize design = form_.design_client_size();
  gtk_window_set_default_size(window_, design.width, design.height);
  on_allocate_ = [this](int width, int height) { place_controls(width, height); };
  box_ = form_box_new(&on_allocate_);
  const PixelSize minimum = form_.minimum_client_size();
  gtk_widget_set_size_request(box_, minimum.width, minimum.height);
  gtk_window_set_child(window_, box_);

  controls_ = std::make_unique<WebViewControl>(ControlRole::ControlBar, events, printer,
                                               new_web_view(engine_view));
  web_ = std::make_unique<WebViewControl>(ControlRole::Content, events, printer,
                                          new_web_view(engine_view));
  hidden_ = std::make_unique<WebViewControl>(ControlRole::NewWindow, events, printer,
                                             new_web_view(engine_view));
  // The content area is first in the keyboard order, then the control bar.
  gtk_widget_set_parent(web_->widget(), box_);
  gtk_widget_set_parent(controls_->widget(), box_);
  gtk_widget_set_parent(hidden_->widget(), box_);
  gtk_widget_set_visible(hidden_->widget(), FALSE);

  g_signal_connect(web_->view(), "create", G_CALLBACK(on_create), this);
  // A close request from outside is the program's to decide, on a later turn.
  g_signal_connect(window_, "close-request", G_CALLBACK(+[](GtkWindow*, gpointer self) -> gboolean {
                     auto* window = static_cast<MainWindowGtk*>(self);
                     std::weak_ptr<bool> alive = window->alive_;
                     run_soon([window, alive] {
                       if (!alive.lock()) return;
                       guarded("close request", [window] { window->events_.Form_QueryUnload(); });
                     });
                     return TRUE;
                   }),
                   this);
}

MainWindowGtk::~MainWindowGtk() {
  alive_.reset();
  g_signal_handlers_disconnect_by_data(window_, this);
  g_signal_handlers_disconnect_by_data(web_->view(), this);
  controls_.reset();
  web_.reset();
  hidden_.reset();
  gtk_window_destroy(window_);
}

GtkWidget* MainWindowGtk::on_create(WebKitWebView* view, WebKitNavigationAction*, gpointer data) {
  auto* self = static_cast<MainWindowGtk*>(data);
  // No view, no new window: the page's request is dropped.
  return guarded(
      "new window", [&] { return self->create_hidden_view(view); },
      static_cast<GtkWidget*>(nullptr));
}

GtkWidget* MainWindowGtk::create_hidden_view(WebKitWebView* view) {
  // Each page that opens a window gets a new hidden view; what loads there
  // is then shown in the content area.
  WebKitWebView* hidden = new_web_view(view);
  gtk_widget_unparent(hidden_->widget());
  hidden_->adopt(hidden);
  gtk_widget_set_parent(hidden_->widget(), box_);
  gtk_widget_set_visible(hidden_->widget(), FALSE);
  return GTK_WIDGET(hidden);
}

GtkWidget* MainWindowGtk::control_widget(int index) const {
  switch (index) {
    case MainWindowForm::kBrwControls:
      return controls_->widget();
    case MainWindowForm::kWeb:
      return web_->widget();
    default:
      return hidden_->widget();
  }
}

void MainWindowGtk::place_controls(int width, int height) {
  // The resize handler runs first, so that controls it moves are placed in
  // this same allocation.
  in_allocation_ = true;
  const PixelSize size{width, height};
  if (laid_out_ != size) {
    laid_out_ = size;
    events_.Form_Resize();
  }
  for (int i = 0; i < MainWindowForm::kControlCount; ++i)
    allocate(control_widget(i), form_.control_rect(i, size));
  in_allocation_ = false;
}

PixelSize MainWindowGtk::client_size() const {
  if (laid_out_) return *laid_out_;
  int width = 0;
  int height = 0;
  gtk_window_get_default_size(window_, &width, &height);
  return {width, height};
}

void MainWindowGtk::request_client_size(std::optional<int> width, std::optional<int> height) {
  if (window_state() != WindowState::Normal) throw window_cannot_be_sized();
  // Resizing from inside an allocation would lay the window out again from
  // within its own layout. The window keeps its size; the toolkit enforces
  // the minimum size by itself.
  if (in_allocation_)
    throw invalid_call("The window can't be resized while it places its controls");
  // The default size follows the window's size while it is not maximized, so
  // setting it resizes a shown window and sets the size a hidden one opens at.
  int current_width = 0;
  int current_height = 0;
  gtk_window_get_default_size(window_, &current_width, &current_height);
  gtk_window_set_default_size(window_, width.value_or(current_width),
                              height.value_or(current_height));
}

WindowState MainWindowGtk::window_state() const {
  if (gtk_window_is_maximized(window_) || gtk_window_is_fullscreen(window_))
    return WindowState::Maximized;
  GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window_.get()));
  if (surface && GDK_IS_TOPLEVEL(surface) &&
      (gdk_toplevel_get_state(GDK_TOPLEVEL(surface)) & GDK_TOPLEVEL_STATE_MINIMIZED))
    return WindowState::Minimized;
  return WindowState::Normal;
}

PixelSize MainWindowGtk::screen_size() const {
  GdkDisplay* display = gtk_widget_get_display(GTK_WIDGET(window_.get()));
  GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window_.get()));
  g_autoptr(GdkMonitor) monitor = nullptr;
  if (surface) {
    if (GdkMonitor* at = gdk_display_get_monitor_at_surface(display, surface))
      monitor = GDK_MONITOR(g_object_ref(at));
  }
  // A window not yet shown will open on the first screen.
  GListModel* monitors = gdk_display_get_monitors(display);
  if (!monitor && g_list_model_get_n_items(monitors) > 0)
    monitor = GDK_MONITOR(g_list_model_get_item(monitors, 0));
  if (!monitor) throw invalid_call("There is no screen to fit the window to");
  GdkRectangle geometry{};
  gdk_monitor_get_geometry(monitor, &geometry);
  return {geometry.width, geometry.height};
}

std::string MainWindowGtk::caption() const {
  const char* title = gtk_window_get_title(window_);
  return title ? title : "";
}

void MainWindowGtk::set_caption(const std::string& caption) {
  gtk_window_set_title(window_, caption.c_str());
}

void MainWindowGtk::set_visible(bool visible) {
  gtk_widget_set_visible(GTK_WIDGET(window_.get()), visible);
}

void MainWindowGtk::show() {
  gtk_window_present(window_);
}

void MainWindowGtk::maximize() {
  gtk_window_maximize(window_);
}

}  // namespace kb::gtk
