#pragma once

#include <optional>

#include "layout/class_elastic.h"
#include "layout/elastic_form.h"

namespace kb {

// The three places where the main window hands its geometry to the layout:
// recording the design while the window loads, laying the controls out once it
// is maximised, and every resize after that. The layout object is created on
// first use and lives as long as the window.
class ElasticHooks {
 public:
  // Records the design (Init without the optional argument). Resize events
  // that Init itself raises while it fits the window reach resized() and are
  // ignored. A failure of Init reaches the caller; resize events are heard
  // again afterwards all the same.
  void record(ElasticForm& form);
  // Lays the controls out over the window as it now is.
  void layout(ElasticForm& form);
  // The window's resize handler.
  void resized(ElasticForm& form);

  // True while record() runs.
  bool in_layout_init() const { return in_layout_init_; }

 private:
  class_Elastic& elastic_layout();

  std::optional<class_Elastic> elastic_layout_;
  bool in_layout_init_ = false;
};

}  // namespace kb
