#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "layout/elastic_form.h"

namespace kb {

// Keeps the controls of one window in proportion when the window changes size.
//
// Init records, once, the window's size and the position, size and a few other
// measures of every control, then fits the window to the screen. FormResize
// derives every control's position, size and font size afresh from those
// recorded values and the window's current size, so repeated resizing never
// accumulates rounding drift.
//
// Controls are identified by their position in the window's controls, so the
// recording is valid only while the window keeps its controls and their order.
class class_Elastic {
 public:
  // Records the window and fits it to the screen. `optional_given` says
  // whether the caller passed the optional argument: when it did, or when the
  // window is maximised, the window is set to the whole screen.
  //
  // Throws kb::Error, leaving any earlier recording as it was, when the window
  // is taller or wider than 32767 twips (the overflow error) or has no
  // controls (subscript out of range). Every later failure, reading a control
  // or resizing the window, is skipped and the method goes on.
  void Init(ElasticForm& form, bool optional_given = false);

  // Rescales every recorded control to the window's current size. The first
  // call after Init only clears the flag Init set. Never throws: any failing
  // read or assignment is skipped and leaves that value as it was.
  void FormResize(ElasticForm& form) noexcept;

 private:
  // The recorded measures of one control. For a line, top/left/height/width
  // hold Y1/X1/Y2/X2. A value that could not be read stays 0.
  struct Recorded {
    std::int16_t top = 0;
    std::int16_t left = 0;
    std::int16_t height = 0;
    std::int16_t width = 0;
    std::int16_t font_size = 0;
    std::int16_t right_margin = 0;
  };

  static void record_control(const ElasticForm& form, int index, Recorded& out);
  static void fit_to_screen(ElasticForm& form, bool whole_screen);
  void enforce_minimum_size(ElasticForm& form) const;
  void place_control(ElasticForm& form, int index, std::optional<double> vertical,
                     std::optional<double> horizontal) const;

  std::int16_t design_height_ = 0;
  std::int16_t design_width_ = 0;
  std::vector<Recorded> controls_;  // index 0 to last_index
  bool skip_next_resize_ = false;
};

}  // namespace kb
