#include "platform/engine_drawing.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace kb::gtk {
namespace {

// Only a render node means a graphics processor; a card node alone (a
// display without acceleration) or no DRM folder at all draws with the CPU.
TEST(EngineDrawing, OnlyARenderNodeCountsAsAGraphicsProcessor) {
  kbtest::TempFolder dri;
  EXPECT_FALSE(has_render_node(dri.path() / "missing"));
  EXPECT_FALSE(has_render_node(dri.path()));
  kbtest::write_file(dri.path() / "card0", "");
  EXPECT_FALSE(has_render_node(dri.path()));
  kbtest::write_file(dri.path() / "renderD128", "");
  EXPECT_TRUE(has_render_node(dri.path()));
}

}  // namespace
}  // namespace kb::gtk
