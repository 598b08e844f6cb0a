#include "platform/main_window_form.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "common/kb_error.h"

namespace kb::gtk {
namespace {

// The controls' designed geometry in twips (left, top, width, height) for the
// designed client area. The control bar and the content area overlap by 15
// twips and are a little wider than the window, so that no seam shows.
constexpr std::array<std::array<double, 4>, MainWindowForm::kControlCount> kDesign{{
    {0, 0, 6495, 855},        // brwControls
    {0, 840, 6495, 5430},     // web
    {2160, 3240, 2415, 2895}  // wbbrwnewhidden, never shown
}};

// Positions beyond this many twips are refused: they could not be placed in
// pixels of the toolkit's integer coordinates.
constexpr double kMaxTwips = 100'000'000;
// The largest client area the form asks the window for, in pixels.
constexpr int kMaxClientPixels = 32767;

}  // namespace

double twips_per_pixel_at(double dots_per_inch) {
  if (!std::isfinite(dots_per_inch) || dots_per_inch < 48 || dots_per_inch > 480) return 15;
  return 1440 / dots_per_inch;
}

double MainWindowForm::height() const {
  return window_.client_size().height * window_.twips_per_pixel() + kCaptionAllowance;
}

double MainWindowForm::width() const {
  return window_.client_size().width * window_.twips_per_pixel();
}

void MainWindowForm::set_height(double twips) {
  const double pixels = std::round((twips - kCaptionAllowance) / window_.twips_per_pixel());
  if (!(pixels >= 1 && pixels <= kMaxClientPixels)) throw invalid_property_value();
  window_.request_client_height(static_cast<int>(pixels));
}

void MainWindowForm::set_width(double twips) {
  const double pixels = std::round(twips / window_.twips_per_pixel());
  if (!(pixels >= 1 && pixels <= kMaxClientPixels)) throw invalid_property_value();
  window_.request_client_width(static_cast<int>(pixels));
}

bool MainWindowForm::is_line(int index) const {
  if (index < 0 || index >= kControlCount) throw subscript_out_of_range();
  return false;
}

std::optional<MainWindowForm::Measure> MainWindowForm::measure_named(std::string_view name) {
  if (name == "Left") return kLeft;
  if (name == "Top") return kTop;
  if (name == "Width") return kWidth;
  if (name == "Height") return kHeight;
  return std::nullopt;
}

std::optional<double> MainWindowForm::property(int index, std::string_view name) const {
  if (index < 0 || index >= kControlCount) return std::nullopt;
  const auto which = measure_named(name);
  if (!which) return std::nullopt;  // browser controls have no font or margins
  return measure(index, *which, window_.client_size());
}

bool MainWindowForm::set_property(int index, std::string_view name, double value) {
  if (index < 0 || index >= kControlCount) return false;
  const auto which = measure_named(name);
  if (!which || !std::isfinite(value) || std::fabs(value) > kMaxTwips) return false;
  if ((*which == kWidth || *which == kHeight) && value < 0) return false;
  placed_[static_cast<std::size_t>(index)][*which] = value;
  return true;
}

double MainWindowForm::screen_height() const {
  return window_.screen_size().height * window_.twips_per_pixel();
}

double MainWindowForm::screen_width() const {
  return window_.screen_size().width * window_.twips_per_pixel();
}

PixelSize MainWindowForm::design_client_size() const {
  const double tpp = window_.twips_per_pixel();
  return {static_cast<int>(std::lround(kDesignClientWidth / tpp)),
          static_cast<int>(std::lround(kDesignClientHeight / tpp))};
}

PixelSize MainWindowForm::minimum_client_size() const {
  const double tpp = window_.twips_per_pixel();
  return {static_cast<int>(std::ceil(kDesignClientWidth / 2 / tpp)),
          static_cast<int>(std::ceil(kDesignClientHeight / 2 / tpp))};
}

double MainWindowForm::measure(int index, Measure which, PixelSize client) const {
  const auto i = static_cast<std::size_t>(index);
  if (const auto& value = placed_[i][which]) return *value;
  const double tpp = window_.twips_per_pixel();
  const bool horizontal = which == kLeft || which == kWidth;
  const double scale = horizontal ? client.width * tpp / kDesignClientWidth
                                  : client.height * tpp / kDesignClientHeight;
  return kDesign[i][which] * scale;
}

int MainWindowForm::to_pixels(double twips) const {
  const double pixels = std::round(twips / window_.twips_per_pixel());
  return static_cast<int>(std::clamp(pixels, double{INT_MIN / 2}, double{INT_MAX / 2}));
}

PixelRect MainWindowForm::control_rect(int index, PixelSize client) const {
  if (index < 0 || index >= kControlCount) throw subscript_out_of_range();
  const double left = measure(index, kLeft, client);
  const double top = measure(index, kTop, client);
  // Edges are rounded rather than sizes, so that controls that meet in twips
  // meet in pixels too.
  // The design lets the controls run a little past the client area (they
  // did under a window frame); a view is never placed outside the window, so
  // that its right edge, where the scrollbar is, stays on the screen.
  const auto inside = [](int value, int limit) { return std::clamp(value, 0, std::max(limit, 0)); };
  const int x = inside(to_pixels(left), client.width);
  const int y = inside(to_pixels(top), client.height);
  const int right = inside(to_pixels(left + measure(index, kWidth, client)), client.width);
  const int bottom = inside(to_pixels(top + measure(index, kHeight, client)), client.height);
  return {x, y, std::max(right - x, 0), std::max(bottom - y, 0)};
}

}  // namespace kb::gtk
