#include "layout/elastic_hooks.h"

namespace kb {

class_Elastic& ElasticHooks::elastic_layout() {
  if (!elastic_layout_) elastic_layout_.emplace();
  return *elastic_layout_;
}

void ElasticHooks::record(ElasticForm& form) {
  // Cleared on every way out, so that a failed recording does not leave the
  // window deaf to its resize events for the rest of its life.
  struct ClearOnExit {
    bool& flag;
    ~ClearOnExit() { flag = false; }
  } clear{in_layout_init_};
  in_layout_init_ = true;
  elastic_layout().Init(form);
}

void ElasticHooks::layout(ElasticForm& form) {
  elastic_layout().FormResize(form);
}

void ElasticHooks::resized(ElasticForm& form) {
  if (in_layout_init_) return;
  elastic_layout().FormResize(form);
}

}  // namespace kb
