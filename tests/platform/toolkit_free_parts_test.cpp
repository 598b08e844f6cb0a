#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>

#include "common/kb_error.h"
#include "platform/engine_drawing.h"
#include "platform/gobject_ptr.h"
#include "platform/main_loop.h"
#include "platform/main_window_form.h"
#include "platform/signal_guard.h"
#include "support/temp_folder.h"

namespace kb::gtk {
namespace {

// A 96 dpi window on a 1280 x 800 screen that takes every size.
class FakeWindow : public FormWindow {
 public:
  PixelSize client{430, 417};
  WindowState state = WindowState::Normal;
  double tpp = 15;

  PixelSize client_size() const override { return client; }
  void request_client_width(int pixels) override { client.width = pixels; }
  void request_client_height(int pixels) override { client.height = pixels; }
  WindowState window_state() const override { return state; }
  PixelSize screen_size() const override { return {1280, 800}; }
  double twips_per_pixel() const override { return tpp; }
};

TEST(MainWindowForm, SizesAreTheClientAreaInTwipsWithRoomForTheCaption) {
  FakeWindow window;
  MainWindowForm form(window);
  EXPECT_EQ(std::pair(form.screen_width(), form.screen_height()), std::pair(19200.0, 12000.0));
  form.set_height(10954.4f);  // (10954.4 - 400) / 15 = 703.6 pixels
  form.set_width(12780);
  // Sizes that no window can take are refused before the window is asked.
  for (double bad : {0.0, -3000.0, 1e9, std::numeric_limits<double>::quiet_NaN()}) {
    EXPECT_THROW(form.set_height(bad), Error) << bad;
    EXPECT_THROW(form.set_width(bad), Error) << bad;
  }
  EXPECT_THROW(form.set_height(400), Error);  // the caption alone
  EXPECT_EQ(window.client, (PixelSize{852, 704}));
  window.state = WindowState::Maximized;
  EXPECT_EQ(form.window_state(), WindowState::Maximized);

  EXPECT_EQ(twips_per_pixel_at(120), 12);
  for (double dpi : {96.0, 0.0, -96.0, 5.0, 100000.0, std::numeric_limits<double>::quiet_NaN()})
    EXPECT_EQ(twips_per_pixel_at(dpi), 15) << dpi;

  SCOPED_TRACE("controls stand at the design scaled to the window until the layout moves them");
  constexpr int kWeb = MainWindowForm::kWeb;
  ASSERT_EQ(form.control_count(), 3);
  window.client = {860, 834};
  EXPECT_EQ(form.property(kWeb, "Height"), 10860);
  // Widths follow the window's width and heights its height, whatever its shape.
  window.client = {900, 400};
  EXPECT_EQ(form.control_rect(MainWindowForm::kBrwControls, window.client),
            (PixelRect{0, 0, 900, 55}));

  EXPECT_FALSE(form.set_property(kWeb, "Top", std::numeric_limits<double>::quiet_NaN()));
  EXPECT_FALSE(form.set_property(kWeb, "Height", -1));
  EXPECT_FALSE(form.set_property(3, "Top", 0));
  EXPECT_EQ(form.property(kWeb, "FontSize"), std::nullopt);
  // Once set, a value stays where the layout put it, whatever the size.
  EXPECT_TRUE(form.set_property(kWeb, "Top", 1500));
  EXPECT_TRUE(form.set_property(kWeb, "Left", -30));
  window.client = {500, 800};
  // Kept inside the window; edges are rounded, not sizes: round((1500 + 5430 * 800 * 15 / 6255) /
  // 15).
  EXPECT_EQ(form.control_rect(kWeb, window.client), (PixelRect{0, 100, 500, 694}));
  window.tpp = 12;
  EXPECT_EQ(form.design_client_size(), (PixelSize{538, 521}));
  EXPECT_EQ(form.minimum_client_size(), (PixelSize{269, 261}));
  window.client = {538, 521};
  EXPECT_EQ(std::pair(form.width(), form.height()), std::pair(6456.0, 521 * 12 + 400.0));
}

TEST(GObjectPtr, EveryHolderKeepsTheObjectAndTheLastOneFreesIt) {
  GObject* object = G_OBJECT(g_object_new(G_TYPE_OBJECT, nullptr));
  gpointer alive = object;  // cleared when the object is freed
  g_object_add_weak_pointer(object, &alive);
  auto first = GObjectPtr<GObject>::adopt(object);
  {
    const GObjectPtr<GObject> copy = first;
    auto shared = GObjectPtr<GObject>::share(copy.get());
    GObjectPtr<GObject> moved = std::move(shared);
    EXPECT_EQ(object->ref_count, 3u);
  }
  GObjectPtr<GObject> other;
  other = first;
  first.reset();
  EXPECT_NE(alive, nullptr);
  other = GObjectPtr<GObject>();
  EXPECT_EQ(alive, nullptr);
}

TEST(SignalGuard, AFailingCallbackAnswersItsFailureValueAndAFailingTaskLeavesTheNextToRun) {
  const auto answer = [](auto body) { return guarded("t", body, -1); };
  EXPECT_EQ(answer([] { return 4; }), 4);
  EXPECT_EQ(answer([]() -> int { throw engine_failure("gone"); }), -1);
  EXPECT_EQ(answer([]() -> int { throw 3; }), -1);
  int after = 0;
  run_soon([] { throw std::runtime_error("queued"); });
  run_soon([&] { ++after; });
  event_step();
  EXPECT_EQ(after, 1);
}

TEST(EngineDrawing, OnlyARenderNodeCountsAsAGraphicsProcessor) {
  kbtest::TempFolder dri;
  EXPECT_FALSE(has_render_node(dri.path() / "missing"));
  kbtest::write_file(dri.path() / "card0", "");
  EXPECT_FALSE(has_render_node(dri.path()));
  kbtest::write_file(dri.path() / "renderD128", "");
  EXPECT_TRUE(has_render_node(dri.path()));
}

}  // namespace
}  // namespace kb::gtk
