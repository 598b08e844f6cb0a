#include <gtest/gtest.h>

#include "support/app_fixture.h"

namespace kb::testing {
namespace {

class WindowLayout : public AppTest {};

TEST_F(WindowLayout, TheDesignIsRecordedBeforeMaximizingAndEveryResizeRescalesFromIt) {
  start();
  StandInWindow& window = platform_.window();
  StandInForm& form = window.layout_form;
  ASSERT_TRUE(window.maximized);
  ASSERT_EQ(form.height_twips, 12000);
  // The load's own layout only settles the recording; the maximized size
  // reaches the controls with the resize that maximizing raises.
  EXPECT_EQ(form.prop(0, "Height"), 855);
  window.events.Form_Resize();
  // Scaled from the designed 6655 x 6450 twips (caption included) to the
  // screen: the client height goes from 6255 to 11600 twips.
  EXPECT_EQ(form.prop(0, "Height"), 1585);
  EXPECT_EQ(form.prop(1, "Width"), 19333);

  form.height_twips = 6655;
  form.width_twips = 6450;
  window.events.Form_Resize();
  EXPECT_EQ(form.prop(0, "Height"), 855);
  EXPECT_EQ(form.prop(1, "Width"), 6495);

  // A window loaded anew records its own design.
  send_from_web("VBCONTAINER:STARTFORUSER(Mary)");
  ASSERT_EQ(platform_.windows.size(), 2u);
  platform_.window().events.Form_Resize();
  EXPECT_EQ(platform_.window().layout_form.prop(0, "Height"), 1585);
}

}  // namespace
}  // namespace kb::testing
