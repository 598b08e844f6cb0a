#include "layout/class_elastic.h"
#include "layout/elastic_hooks.h"

#include <gtest/gtest.h>

#include <sstream>

#include "common/kb_error.h"
#include "support/stand_in_form.h"

namespace kb {
namespace {

// A line, a control with a font and a browser control; the window's font 9.25 records as 9.
class ClassElasticTest : public ::testing::Test {
 protected:
  ClassElasticTest() {
    using P = testing::StandInForm::Props;
    line = form.add(true, P{{"Y1", 100}, {"X1", 332.5}, {"Y2", 700}, {"X2", 9000}});
    const P text_props = {{"Top", 1000},   {"Left", 332.5},  {"Height", 2000},
                          {"Width", 3000}, {"FontSize", 20}, {"rightMargin", 100}};
    text = form.add(false, text_props);
    browser =
        form.add(false, P{{"Top", 3400}, {"Left", -1001}, {"Height", 3000.4}, {"Width", 9690}});
  }
  void record() {
    elastic.Init(form);
    elastic.FormResize(form);
  }
  void resize_to(double height, double width) {
    form.height_twips = height;
    form.width_twips = width;
    elastic.FormResize(form);
  }
  std::string props(std::initializer_list<std::pair<int, const char*>> which) {
    std::ostringstream text;
    for (const auto& [control, name] : which) text << form.prop(control, name) << ' ';
    return text.str();
  }

  testing::StandInForm form;
  class_Elastic elastic;
  int line = 0, text = 0, browser = 0;
};

TEST_F(ClassElasticTest, ScalesEachKindOfControlByItsOwnProperties) {
  // The first resize only clears the flag; the design size gives the recording back.
  elastic.Init(form);
  form.prop(text, "FontSize") = 30;
  elastic.FormResize(form);
  EXPECT_TRUE(form.controls[text].set.empty());
  EXPECT_FALSE(form.redraw);
  elastic.FormResize(form);
  // Halves round to even; the window's font is used, and an odd size comes back even.
  EXPECT_EQ(props({{line, "X1"}, {text, "FontSize"}}), "332 10 ");
  EXPECT_EQ(form.sets_without_redraw, 0);
  EXPECT_FALSE(form.redraw);

  form.height_twips = 6000;
  record();
  resize_to(6000, 2 * 9690);
  EXPECT_EQ(props({{line, "X1"}, {line, "Y2"}, {text, "Width"}, {text, "Height"}}),
            "664 700 6000 2000 ");
  EXPECT_EQ(form.controls[line].set, (std::set<std::string>{"X1", "X2", "Y1", "Y2"}));

  resize_to(11600, 1.5 * 9690);  // vertical ratio 5600 / 11200, with the 400-twip margin
  // The margin follows the height; -1501.5 rounds toward minus infinity; font 13.5 -> 13 -> 14.
  EXPECT_EQ(props({{text, "rightMargin"}, {line, "Y1"}, {browser, "Left"}, {text, "FontSize"}}),
            "200 200 -1502 14 ");

  // Only controls recorded at Init are moved.
  const int added = form.add(false, {{"Top", 1}, {"Left", 2}});
  resize_to(6000, 9690);
  EXPECT_TRUE(form.controls[added].set.empty());
  form.controls.resize(2);  // the browser control is gone
  resize_to(6000, 2 * 9690);
}

TEST_F(ClassElasticTest, AWindowSmallerThanHalfTheDesignIsSetBackToHalf) {
  record();
  resize_to(1000, 2000);
  EXPECT_EQ(props({{text, "Top"}, {text, "Width"}}), "470 1500 ");  // Top 1000 * 3245 / 6890

  form.fixed_size = true;  // laid out for the size the window keeps
  resize_to(1000, 4845);
  EXPECT_EQ(form.prop(text, "Top"), 87);  // 1000 * 600 / 6890
}

TEST_F(ClassElasticTest, InitFitsTheWindowToTheScreenOrFailsAndKeepsTheEarlierRecording) {
  form.screen_h = 11520;
  form.screen_w = 15360;
  form.height_twips = 6255;
  form.width_twips = 6450;
  elastic.Init(form);
  EXPECT_EQ(form.height_twips, 9884.4443359375);  // single precision
  EXPECT_EQ(form.width_twips, 10224.1484375);
  elastic.Init(form, true);
  EXPECT_EQ(form.height_twips, 11520);
  form.width_twips = 5000;
  form.state = WindowState::Maximized;
  elastic.Init(form);
  EXPECT_EQ(form.width_twips, 15360);
  form.fixed_size = true;
  EXPECT_NO_THROW(elastic.Init(form));
  elastic.FormResize(form);

  testing::StandInForm other = form;
  other.height_twips = 32767.5;
  EXPECT_THROW(elastic.Init(other), Error);
  // A failed recording (a window without controls) leaves resizes heard.
  other.height_twips = 7290;
  other.controls.clear();
  ElasticHooks hooks;
  try {
    hooks.record(other);
    FAIL() << "an empty window was recorded";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 9);
  }
  EXPECT_FALSE(hooks.in_layout_init());
  form.fixed_size = false;
  resize_to(11520, 2 * 15360);
  EXPECT_EQ(form.prop(text, "Width"), 6000);
}

TEST_F(ClassElasticTest, ValuesThatCannotBeReadOrDividedAreSkipped) {
  form.prop(text, "Top") = 40000;
  form.unreadable.insert("rightMargin");
  record();
  form.unreadable.clear();
  elastic.FormResize(form);
  EXPECT_EQ(props({{text, "Top"}, {text, "rightMargin"}, {text, "Height"}}), "0 0 2000 ");

  form.fixed_size = true;  // a window exactly 400 twips high leaves vertical values alone
  form.prop(text, "Top") = 1234;
  resize_to(400, 2 * 9690);
  EXPECT_EQ(props({{text, "Top"}, {text, "Left"}}), "1234 664 ");
  resize_to(400, 0);
  EXPECT_EQ(props({{text, "Left"}, {text, "FontSize"}}), "664 18 ");

  form.failing_size_reads = true;
  form.prop(text, "Left") = 1;
  EXPECT_NO_THROW(elastic.FormResize(form));
  EXPECT_EQ(form.prop(text, "Left"), 1);
}

}  // namespace
}  // namespace kb
