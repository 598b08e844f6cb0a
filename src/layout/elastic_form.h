#pragma once

#include <optional>
#include <string_view>

namespace kb {

enum class WindowState { Normal = 0, Minimized = 1, Maximized = 2 };

// What the proportional layout needs of a window, so that the same layout code
// drives a test stand-in and the real toolkit window.
//
// The window's and the screen's sizes are in twips (1/1440 inch). Control
// positions and sizes are in whatever unit the window uses for its controls;
// the layout only ever scales them by dimensionless ratios.
//
// Any member may throw kb::Error when the value cannot be read or is refused;
// the layout treats a throw exactly like a refusal reported by the result.
class ElasticForm {
 public:
  virtual ~ElasticForm() = default;

  // The window's outer height and width in twips.
  virtual double height() const = 0;
  virtual double width() const = 0;
  // Ask for a new height or width in twips. A window that cannot take the size
  // (maximised, minimised, below its minimum) may either keep its size, and
  // report the old one on the next read, or throw kb::Error.
  virtual void set_height(double twips) = 0;
  virtual void set_width(double twips) = 0;

  virtual WindowState window_state() const = 0;

  // Whether drawing is buffered while the controls are moved.
  virtual bool auto_redraw() const = 0;
  virtual void set_auto_redraw(bool on) = 0;

  // The window's own font size in points.
  virtual double font_size() const = 0;

  // The number of controls; controls are addressed by their 0-based position.
  virtual int control_count() const = 0;
  // Whether control `index` is a line, which is placed by its end points
  // (X1, Y1, X2, Y2) rather than by Top, Left, Height and Width.
  virtual bool is_line(int index) const = 0;
  // A numeric property of control `index` by name ("Top", "Left", "Height",
  // "Width", "X1", "Y1", "X2", "Y2", "FontSize", "rightMargin"), or nothing when
  // the control has no such property, cannot report it or does not exist.
  virtual std::optional<double> property(int index, std::string_view name) const = 0;
  // Sets a numeric property by name; false when the control lacks it, refuses
  // the value or does not exist.
  virtual bool set_property(int index, std::string_view name, double value) = 0;

  // The size of the screen the window is shown on, in twips.
  virtual double screen_height() const = 0;
  virtual double screen_width() const = 0;
};

}  // namespace kb
