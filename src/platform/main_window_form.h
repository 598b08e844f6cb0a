#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "layout/elastic_form.h"

namespace kb::gtk {

struct PixelSize {
  int width = 0;
  int height = 0;
  bool operator==(const PixelSize&) const = default;
};

struct PixelRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const PixelRect&) const = default;
};

// What the main window's form needs of the toolkit window. Sizes are of the
// client area, in the toolkit's pixels.
class FormWindow {
 public:
  virtual ~FormWindow() = default;
  // The size being laid out now or, before the window was first laid out, the
  // size it will be shown at.
  virtual PixelSize client_size() const = 0;
  // Ask for a new client width or height. The window may take it at once or
  // later; a window that is maximised or minimised refuses with kb::Error.
  virtual void request_client_width(int pixels) = 0;
  virtual void request_client_height(int pixels) = 0;
  // 0 normal, 1 minimised, 2 maximised.
  virtual WindowState window_state() const = 0;
  // The screen the window is on (or will be shown on), in pixels; throws
  // kb::Error when there is no screen to ask.
  virtual PixelSize screen_size() const = 0;
  virtual double twips_per_pixel() const = 0;
};

// Twips in one pixel at the given resolution in dots per inch; the usual 96
// (15 twips) when the resolution is unknown or implausible.
double twips_per_pixel_at(double dots_per_inch);

// The main window as the proportional layout sees it.
//
// Its controls are the three browser controls in their designed order:
// brwControls (0), web (1) and wbbrwnewhidden (2). Their Left, Top, Width and
// Height are in twips and kept here; the window places its widgets from them
// on every allocation. Until the layout has set a value, the control stands
// at its designed geometry scaled to the client area.
class MainWindowForm : public ElasticForm {
 public:
  static constexpr int kBrwControls = 0;
  static constexpr int kWeb = 1;
  static constexpr int kWbbrwnewhidden = 2;
  static constexpr int kControlCount = 3;

  // The designed client area, in twips.
  static constexpr double kDesignClientWidth = 6450;
  static constexpr double kDesignClientHeight = 6255;
  // The toolkit reports only the client area. The window's outer height is
  // taken as that plus the caption and frame the layout leaves out of its
  // vertical ratio, so that the controls scale with the client area itself.
  static constexpr double kCaptionAllowance = 400;

  explicit MainWindowForm(FormWindow& window) : window_(window) {}

  double height() const override;
  double width() const override;
  void set_height(double twips) override;
  void set_width(double twips) override;
  WindowState window_state() const override { return window_.window_state(); }
  bool auto_redraw() const override { return auto_redraw_; }
  void set_auto_redraw(bool on) override { auto_redraw_ = on; }
  // The window's own font; the browser controls have none of their own.
  double font_size() const override { return 8; }
  int control_count() const override { return kControlCount; }
  bool is_line(int index) const override;
  std::optional<double> property(int index, std::string_view name) const override;
  bool set_property(int index, std::string_view name, double value) override;
  double screen_height() const override;
  double screen_width() const override;

  // The designed client area in pixels, the size the window first opens at.
  PixelSize design_client_size() const;
  // The smallest client area the window may take: half the designed one.
  PixelSize minimum_client_size() const;
  // Where control `index` goes in a client area of `client` pixels.
  PixelRect control_rect(int index, PixelSize client) const;

 private:
  enum Measure { kLeft, kTop, kWidth, kHeight, kMeasureCount };
  using Placed = std::array<std::optional<double>, kMeasureCount>;

  static std::optional<Measure> measure_named(std::string_view name);
  // The value of one measure in twips for a client area of `client` pixels.
  double measure(int index, Measure which, PixelSize client) const;
  int to_pixels(double twips) const;

  FormWindow& window_;
  std::array<Placed, kControlCount> placed_{};
  bool auto_redraw_ = false;
};

}  // namespace kb::gtk
