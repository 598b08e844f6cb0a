#include "layout/class_elastic.h"

#include <cmath>
#include <string_view>
#include <utility>

#include "common/kb_error.h"
#include "common/vb_number.h"

namespace kb {
namespace {

// The window's size is fitted from the size it was designed for on a screen
// of this many twips.
constexpr double kDesignScreenHeight = 7290.0;
constexpr double kDesignScreenWidth = 9690.0;
// Vertical room taken by the window's frame and caption, left out of the
// vertical ratio so that the controls scale with the client area.
constexpr double kVerticalMargin = 400.0;

// Runs one step of the layout and skips it if it fails. Controls are reached
// by property name, so any of them may lack a property or refuse a value; the
// layout goes on with the next step rather than leave the window half done.
template <typename Step>
void skip_on_failure(Step&& step) noexcept {
  try {
    std::forward<Step>(step)();
  } catch (...) {
  }
}

// Records one property, rounded halves to even; a value that cannot be read
// or does not fit 16 bits leaves `into` as it is.
void record_property(const ElasticForm& form, int index, std::string_view name,
                     std::int16_t& into) {
  skip_on_failure([&] {
    if (const auto value = form.property(index, name)) into = to_int16(*value);
  });
}

// A ratio to divide recorded values by, or nothing when it cannot be computed
// (zero divisor) or cannot be divided by (zero): the values that use it are then
// left as they are.
std::optional<double> layout_ratio(double numerator, double denominator) {
  if (denominator == 0.0) return std::nullopt;
  const double ratio = numerator / denominator;
  if (ratio == 0.0 || !std::isfinite(ratio)) return std::nullopt;
  return ratio;
}

// Sets `name` to the recorded value divided by the ratio, rounded down.
void set_scaled(ElasticForm& form, int index, std::string_view name, std::int16_t recorded,
                std::optional<double> ratio) {
  if (!ratio) return;
  const double value = std::floor(recorded / *ratio);
  if (!std::isfinite(value)) return;
  skip_on_failure([&] { form.set_property(index, name, value); });
}

// Font sizes are scaled with the width and always come out even: the size is
// rounded down, and an odd result is raised by one.
void set_font_size(ElasticForm& form, int index, std::int16_t recorded,
                   std::optional<double> horizontal) {
  if (!horizontal) return;
  double size = std::floor(recorded / *horizontal);
  if (!std::isfinite(size)) return;
  if (std::fmod(size, 2.0) != 0.0) size += 1.0;
  skip_on_failure([&] { form.set_property(index, "FontSize", size); });
}

}  // namespace

void class_Elastic::Init(ElasticForm& form, bool optional_given) {
  // These steps are not protected: a window whose size does not fit 16 bits,
  // or one without controls, cannot be recorded and the caller hears of it.
  // Nothing is changed until they have all succeeded.
  const std::int16_t design_height = to_int16(form.height());
  const std::int16_t design_width = to_int16(form.width());
  const int count = form.control_count();
  if (count < 1) throw subscript_out_of_range();

  design_height_ = design_height;
  design_width_ = design_width;
  skip_next_resize_ = true;
  controls_.assign(static_cast<std::size_t>(count), Recorded{});

  for (int i = 0; i < count; ++i) record_control(form, i, controls_[static_cast<std::size_t>(i)]);

  bool whole_screen = optional_given;
  bool state_known = true;
  if (!whole_screen) {
    try {
      whole_screen = form.window_state() == WindowState::Maximized;
    } catch (...) {
      state_known = false;  // no way to choose how to fit; leave the size alone
    }
  }
  if (state_known) fit_to_screen(form, whole_screen);

  skip_next_resize_ = true;
}

void class_Elastic::record_control(const ElasticForm& form, int index, Recorded& out) {
  bool line = false;
  try {
    line = form.is_line(index);
  } catch (...) {
    return;  // a control that cannot be reached keeps all its values at 0
  }
  if (line) {
    record_property(form, index, "Y1", out.top);
    record_property(form, index, "X1", out.left);
    record_property(form, index, "Y2", out.height);
    record_property(form, index, "X2", out.width);
    return;
  }
  record_property(form, index, "Top", out.top);
  record_property(form, index, "Left", out.left);
  record_property(form, index, "Height", out.height);
  record_property(form, index, "Width", out.width);
  // Every control's font follows the window's font, not its own.
  skip_on_failure([&] { out.font_size = to_int16(form.font_size()); });
  record_property(form, index, "rightMargin", out.right_margin);
}

void class_Elastic::fit_to_screen(ElasticForm& form, bool whole_screen) {
  if (whole_screen) {
    skip_on_failure([&] { form.set_height(form.screen_height()); });
    skip_on_failure([&] { form.set_width(form.screen_width()); });
    return;
  }
  // The new sizes are single-precision numbers.
  skip_on_failure([&] {
    form.set_height(static_cast<float>(form.height() * form.screen_height() / kDesignScreenHeight));
  });
  skip_on_failure([&] {
    form.set_width(static_cast<float>(form.width() * form.screen_width() / kDesignScreenWidth));
  });
}

void class_Elastic::FormResize(ElasticForm& form) noexcept {
  std::optional<bool> saved_auto_redraw;
  skip_on_failure([&] { saved_auto_redraw = form.auto_redraw(); });
  skip_on_failure([&] { form.set_auto_redraw(true); });
  const auto restore_auto_redraw = [&] {
    if (saved_auto_redraw) skip_on_failure([&] { form.set_auto_redraw(*saved_auto_redraw); });
  };

  // Init resizes the window; the first resize after it has nothing to redo.
  if (skip_next_resize_) {
    skip_next_resize_ = false;
    restore_auto_redraw();
    return;
  }

  enforce_minimum_size(form);

  std::optional<double> vertical;
  std::optional<double> horizontal;
  skip_on_failure([&] {
    vertical = layout_ratio(design_height_ - kVerticalMargin, form.height() - kVerticalMargin);
  });
  skip_on_failure([&] { horizontal = layout_ratio(design_width_, form.width()); });

  for (std::size_t i = 0; i < controls_.size(); ++i)
    place_control(form, static_cast<int>(i), vertical, horizontal);

  restore_auto_redraw();
}

void class_Elastic::enforce_minimum_size(ElasticForm& form) const {
  const float half_height = static_cast<float>(design_height_) / 2.0f;
  const float half_width = static_cast<float>(design_width_) / 2.0f;
  skip_on_failure([&] {
    if (half_height > form.height()) form.set_height(half_height);
  });
  skip_on_failure([&] {
    if (half_width > form.width()) form.set_width(half_width);
  });
}

void class_Elastic::place_control(ElasticForm& form, int index, std::optional<double> vertical,
                                  std::optional<double> horizontal) const {
  bool line = false;
  try {
    line = form.is_line(index);
  } catch (...) {
    return;  // the control is gone or cannot be reached: leave it alone
  }
  const Recorded& r = controls_[static_cast<std::size_t>(index)];
  if (line) {
    set_scaled(form, index, "Y1", r.top, vertical);
    set_scaled(form, index, "X1", r.left, horizontal);
    set_scaled(form, index, "Y2", r.height, vertical);
    set_scaled(form, index, "X2", r.width, horizontal);
    return;
  }
  set_scaled(form, index, "Top", r.top, vertical);
  set_scaled(form, index, "Left", r.left, horizontal);
  set_scaled(form, index, "Height", r.height, vertical);
  set_scaled(form, index, "Width", r.width, horizontal);
  set_font_size(form, index, r.font_size, horizontal);
  // The right margin is deliberately scaled with the vertical ratio.
  set_scaled(form, index, "rightMargin", r.right_margin, vertical);
}

}  // namespace kb
