#pragma once

#include <cmath>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/kb_error.h"
#include "layout/elastic_form.h"

namespace kb::testing {

// A window with controls of named properties (a NaN one cannot be read) and knobs that fail it.
class StandInForm : public ElasticForm {
 public:
  using Props = std::map<std::string, double, std::less<>>;
  struct Control {
    bool line;
    Props props;
  };

  double height_twips = 7290, width_twips = 9690;
  double screen_h = 7290, screen_w = 9690;  // the design screen: fitting keeps the size
  WindowState state = WindowState::Normal;
  bool redraw = false, fixed_size = false, failing_size_reads = false;
  std::vector<Control> controls;

  void add(bool line, Props props) { controls.push_back({line, std::move(props)}); }
  double& prop(int index, const std::string& name) { return controls.at(index).props.at(name); }

  double height() const override { return read(height_twips); }
  double width() const override { return read(width_twips); }
  void set_height(double twips) override { resize(height_twips, twips); }
  void set_width(double twips) override { resize(width_twips, twips); }
  WindowState window_state() const override { return state; }
  bool auto_redraw() const override { return redraw; }
  void set_auto_redraw(bool on) override { redraw = on; }
  double font_size() const override { return 9.25; }
  int control_count() const override { return static_cast<int>(controls.size()); }
  bool is_line(int index) const override { return controls.at(index).line; }
  std::optional<double> property(int index, std::string_view name) const override {
    const auto& props = controls.at(index).props;
    const auto it = props.find(name);
    if (it == props.end()) return std::nullopt;
    if (std::isnan(it->second)) throw Error(438, "Object doesn't support this property");
    return it->second;
  }
  // Controls are moved only while drawing is buffered.
  bool set_property(int index, std::string_view name, double value) override {
    auto& props = controls.at(index).props;
    const auto it = props.find(name);
    if (!redraw || it == props.end() || (value < 0 && name != "Top" && name != "Left"))
      return false;
    it->second = value;
    return true;
  }
  double screen_height() const override { return screen_h; }
  double screen_width() const override { return screen_w; }

 private:
  double read(double value) const {
    if (failing_size_reads) throw Error(5, "Invalid procedure call or argument");
    return value;
  }
  void resize(double& field, double twips) {
    if (fixed_size) throw Error(384, "A form can't be sized while minimized or maximized");
    field = twips;
  }
};

}  // namespace kb::testing
