#include "layout/class_elastic.h"
#include "layout/elastic_hooks.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "common/kb_error.h"
#include "support/stand_in_form.h"

namespace kb {
namespace {

// A line, a control with a font and a browser control; the window's font 9.25 records as 9.
TEST(ClassElasticTest, ScalesEachKindOfControlByItsOwnProperties) {
  testing::StandInForm form;
  form.add(true, {{"Y1", 100}, {"X1", 332.5}, {"Y2", 700}, {"X2", 9000}});
  const testing::StandInForm::Props text = {{"Top", 1000},    {"Left", 332.5},
                                            {"Height", 2000}, {"Width", 3000},
                                            {"FontSize", 20}, {"rightMargin", 100}};
  form.add(false, text);
  form.add(false, {{"Top", 3400}, {"Left", -1001}, {"Height", 3000.4}, {"Width", 9690}});
  constexpr int kText = 1;
  class_Elastic elastic;
  const auto resize_to = [&](double height, double width) {
    form.height_twips = height;
    form.width_twips = width;
    elastic.FormResize(form);
  };
  // The controls' properties in name order, then whether drawing is still buffered.
  const auto state = [&] {
    std::ostringstream out;
    for (const auto& control : form.controls) {
      for (const auto& [name, value] : control.props) out << ' ' << value;
      out << '|';
    }
    return out.str() + (form.redraw ? "buffered" : "");
  };

  // The first resize only clears the flag; the design size gives the recording back.
  elastic.Init(form);
  form.prop(kText, "FontSize") = 30;
  elastic.FormResize(form);
  EXPECT_EQ(state(), " 332.5 9000 100 700| 30 2000 332.5 1000 3000 100| 3000.4 -1001 3400 9690|");
  elastic.FormResize(form);
  // Halves round to even; the window's font is used, and an odd size comes back even.
  EXPECT_EQ(state(), " 332 9000 100 700| 10 2000 332 1000 3000 100| 3000 -1001 3400 9690|");

  form.height_twips = 6000;
  elastic.Init(form);
  elastic.FormResize(form);
  resize_to(6000, 2 * 9690);
  EXPECT_EQ(state(), " 664 18000 100 700| 18 2000 664 1000 6000 100| 3000 -2002 3400 19380|");
  resize_to(11600, 1.5 * 9690);  // vertical ratio 5600 / 11200, with the 400-twip margin
  // The margin follows the height; -1501.5 rounds toward minus infinity; font 13.5 -> 13 -> 14.
  EXPECT_EQ(state(), " 498 13500 200 1400| 14 4000 498 2000 4500 200| 6000 -1502 6800 14535|");

  form.add(false, {{"Top", 1}, {"Left", 2}});  // not recorded at Init, so never moved
  resize_to(6000, 9690);
  EXPECT_EQ(state(), " 332 9000 100 700| 10 2000 332 1000 3000 100| 3000 -1001 3400 9690| 2 1|");
  form.controls.resize(2);  // the browser control is gone
  resize_to(6000, 2 * 9690);

  SCOPED_TRACE("a window smaller than half the design is set back to half");
  resize_to(1000, 2000);
  EXPECT_EQ(state(), " 166 4500 46 325| 4 928 166 464 1500 46|");
  form.fixed_size = true;  // laid out for the size the window keeps
  resize_to(1000, 4845);
  EXPECT_EQ(form.prop(kText, "Top"), 107);  // 1000 * 600 / 5600

  SCOPED_TRACE("values that cannot be read or divided are skipped");
  form.prop(kText, "Top") = 40000;
  form.prop(kText, "rightMargin") = std::nan("");  // its reads throw
  elastic.Init(form);
  elastic.FormResize(form);
  elastic.FormResize(form);
  EXPECT_EQ(state(), " 166 4500 10 75| 10 214 166 0 1500 0|");
  form.prop(kText, "Top") = 1234;  // a window exactly 400 twips high leaves vertical values alone
  resize_to(400, 2 * 4845);
  EXPECT_EQ(state(), " 332 9000 10 75| 18 214 332 1234 3000 0|");
  resize_to(400, 0);
  EXPECT_EQ(state(), " 332 9000 10 75| 18 214 332 1234 3000 0|");
  form.failing_size_reads = true;
  form.prop(kText, "Left") = 1;
  elastic.FormResize(form);
  EXPECT_EQ(form.prop(kText, "Left"), 1);

  SCOPED_TRACE("Init fits the window to the screen, or fails and keeps the earlier recording");
  form.failing_size_reads = form.fixed_size = false;
  form.screen_h = 11520;
  form.screen_w = 15360;
  form.height_twips = 6255;
  form.width_twips = 6450;
  elastic.Init(form);  // single precision
  EXPECT_EQ(std::pair(form.height_twips, form.width_twips),
            std::pair(9884.4443359375, 10224.1484375));
  elastic.Init(form, true);
  EXPECT_EQ(std::pair(form.height_twips, form.width_twips), std::pair(11520.0, 15360.0));
  form.width_twips = 5000;
  form.state = WindowState::Maximized;
  elastic.Init(form);
  EXPECT_EQ(form.width_twips, 15360);
  form.fixed_size = true;
  EXPECT_NO_THROW(elastic.Init(form));
  elastic.FormResize(form);
  form.height_twips = 32767.5;
  EXPECT_THROW(elastic.Init(form), Error);
  testing::StandInForm other;  // without controls: its recording fails, and resizes are heard
  ElasticHooks hooks;
  EXPECT_THAT([&] { hooks.record(other); },
              ::testing::Throws<Error>(::testing::Property(&Error::number, 9)));
  EXPECT_FALSE(hooks.in_layout_init());
  form.fixed_size = false;
  resize_to(11520, 2 * 15360);
  EXPECT_EQ(state(), " 664 18000 10 75| 18 214 2 1234 6000 0|");
}

}  // namespace
}  // namespace kb
