#include "platform/main_window_gtk.h"

#include <cmath>

namespace kb::gtk {
namespace {

// The designed client area and the controls' designed geometry, in twips.
constexpr double kDesignHeight = 6255;
constexpr double kControlBarHeight = 855;
constexpr double kContentTop = 840;

void allocate(GtkWidget* child, int x, int y, int width, int height) {
  if (!gtk_widget_get_visible(child)) return;
  const GtkAllocation rect{x, y, std::max(width, 0), std::max(height, 0)};
  gtk_widget_size_allocate(child, &rect, -1);
}

}  // namespace

MainWindowGtk::MainWindowGtk(MainWindowEvents& events, const PrintHandler& printer,
                             std::function<void()> on_closed)
    : events_(events), on_closed_(std::move(on_closed)) {
  window_ = GTK_WINDOW(gtk_window_new());
  g_object_ref_sink(window_);
  gtk_window_set_title(window_, "Kitebrook");
  gtk_window_set_icon_name(window_, "kitebrook-icon");
  gtk_window_set_default_size(window_, 860, 834);
  on_allocate_ = [this](int width, int height) { place_controls(width, height); };
  box_ = form_box_new(&on_allocate_);
  gtk_window_set_child(window_, box_);

  controls_ =
      std::make_unique<WebViewControl>(ControlRole::ControlBar, events, printer, new_web_view());
  web_ = std::make_unique<WebViewControl>(ControlRole::Content, events, printer, new_web_view());
  hidden_ =
      std::make_unique<WebViewControl>(ControlRole::NewWindow, events, printer, new_web_view());
  // The content area is first in the keyboard order, then the control bar.
  gtk_widget_set_parent(web_->widget(), box_);
  gtk_widget_set_parent(controls_->widget(), box_);
  gtk_widget_set_parent(hidden_->widget(), box_);
  gtk_widget_set_visible(hidden_->widget(), FALSE);

  g_signal_connect(web_->view(), "create", G_CALLBACK(on_create), this);
  g_signal_connect(window_, "close-request", G_CALLBACK(+[](GtkWindow*, gpointer self) -> gboolean {
                     auto* window = static_cast<MainWindowGtk*>(self);
                     if (window->on_closed_) window->on_closed_();
                     return TRUE;
                   }),
                   this);
}

MainWindowGtk::~MainWindowGtk() {
  g_signal_handlers_disconnect_by_data(window_, this);
  g_signal_handlers_disconnect_by_data(web_->view(), this);
  controls_.reset();
  web_.reset();
  hidden_.reset();
  gtk_window_destroy(window_);
  g_object_unref(window_);
}

GtkWidget* MainWindowGtk::on_create(WebKitWebView* view, WebKitNavigationAction*, gpointer data) {
  auto* self = static_cast<MainWindowGtk*>(data);
  // Each page that opens a window gets a new hidden view; what loads there
  // is then shown in the content area.
  WebKitWebView* hidden = new_web_view(view);
  gtk_widget_unparent(self->hidden_->widget());
  self->hidden_->adopt(hidden);
  gtk_widget_set_parent(self->hidden_->widget(), self->box_);
  gtk_widget_set_visible(self->hidden_->widget(), FALSE);
  return GTK_WIDGET(hidden);
}

void MainWindowGtk::place_controls(int width, int height) {
  const auto scaled = [height](double twips) {
    return static_cast<int>(std::floor(twips * height / kDesignHeight));
  };
  allocate(controls_->widget(), 0, 0, width, scaled(kControlBarHeight));
  allocate(web_->widget(), 0, scaled(kContentTop), width, height - scaled(kContentTop));
}

std::string MainWindowGtk::caption() const {
  const char* title = gtk_window_get_title(window_);
  return title ? title : "";
}

void MainWindowGtk::set_caption(const std::string& caption) {
  gtk_window_set_title(window_, caption.c_str());
}

void MainWindowGtk::set_visible(bool visible) {
  gtk_widget_set_visible(GTK_WIDGET(window_), visible);
}

void MainWindowGtk::show() {
  gtk_window_present(window_);
}

void MainWindowGtk::maximize() {
  gtk_window_maximize(window_);
}

}  // namespace kb::gtk
