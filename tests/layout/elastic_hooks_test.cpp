#include "layout/elastic_hooks.h"

#include <gtest/gtest.h>

#include "common/kb_error.h"
#include "layout/stand_in_form.h"

namespace kb {
namespace {

TEST(ElasticHooks, ResizesWhileRecordingAreIgnoredAndTheFirstLayoutOnlyClearsTheFlag) {
  testing::StandInForm form;
  ElasticHooks hooks;
  hooks.layout(form);  // before recording: creates the layout, changes nothing
  hooks.resized(form);
  EXPECT_THROW(hooks.record(form), Error);  // no controls
  EXPECT_FALSE(hooks.in_layout_init());

  form.add(false, {{"Height", 855}});
  form.state = WindowState::Maximized;
  form.screen_h = 2 * 7290;
  int events_while_recording = 0;
  form.on_resize = [&] {
    events_while_recording += hooks.in_layout_init();
    hooks.resized(form);
  };
  hooks.record(form);
  EXPECT_GT(events_while_recording, 0);
  hooks.layout(form);
  EXPECT_TRUE(form.controls[0].set.empty());
  hooks.resized(form);
  EXPECT_EQ(form.prop(0, "Height"), 1759);  // 855 * 14180 / 6890
}

}  // namespace
}  // namespace kb
