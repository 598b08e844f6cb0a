#include "platform/main_window_form.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

#include "common/kb_error.h"
#include "platform/gobject_ptr.h"
#include "platform/main_loop.h"
#include "platform/signal_guard.h"

namespace kb::gtk {
namespace {

// A window that takes every size it is asked for at once, unless it is
// maximised, on a 1280 x 800 screen at 96 dpi.
class FakeWindow : public FormWindow {
 public:
  PixelSize client{430, 417};
  PixelSize screen{1280, 800};
  WindowState state = WindowState::Normal;
  double tpp = 15;
  int requests = 0;

  PixelSize client_size() const override { return client; }
  void request_client_width(int pixels) override {
    refuse_unless_normal();
    ++requests;
    client.width = pixels;
  }
  void request_client_height(int pixels) override {
    refuse_unless_normal();
    ++requests;
    client.height = pixels;
  }
  WindowState window_state() const override { return state; }
  PixelSize screen_size() const override { return screen; }
  double twips_per_pixel() const override { return tpp; }

 private:
  void refuse_unless_normal() const {
    if (state != WindowState::Normal) throw window_cannot_be_sized();
  }
};

constexpr int kBar = MainWindowForm::kBrwControls;
constexpr int kWeb = MainWindowForm::kWeb;
constexpr int kHidden = MainWindowForm::kWbbrwnewhidden;

TEST(MainWindowForm, SizesAreTheClientAreaInTwipsWithRoomForTheCaption) {
  FakeWindow window;
  MainWindowForm form(window);
  EXPECT_EQ(form.width(), 6450);
  EXPECT_EQ(form.height(), 6255 + 400);
  EXPECT_EQ(form.screen_width(), 19200);
  EXPECT_EQ(form.screen_height(), 12000);

  form.set_height(10954.4f);  // (10954.4 - 400) / 15 = 703.6 pixels
  form.set_width(12780);
  EXPECT_EQ(window.client, (PixelSize{852, 704}));
  // Sizes that no window can take are refused before the window is asked.
  for (double bad : {0.0, -3000.0, 1e9, std::numeric_limits<double>::quiet_NaN()}) {
    EXPECT_THROW(form.set_height(bad), Error) << bad;
    EXPECT_THROW(form.set_width(bad), Error) << bad;
  }
  EXPECT_THROW(form.set_height(400), Error);  // the caption alone
  EXPECT_EQ(window.requests, 2);

  window.state = WindowState::Maximized;
  EXPECT_EQ(form.window_state(), WindowState::Maximized);
  EXPECT_THROW(form.set_width(9000), Error);
  EXPECT_EQ(window.client, (PixelSize{852, 704}));
}

TEST(MainWindowForm, ControlsStandAtTheDesignScaledToTheWindowUntilTheLayoutMovesThem) {
  FakeWindow window;
  MainWindowForm form(window);
  ASSERT_EQ(form.control_count(), 3);
  EXPECT_EQ(form.property(kBar, "Height"), 855);
  EXPECT_EQ(form.property(kWeb, "Top"), 840);
  EXPECT_EQ(form.property(kHidden, "Left"), 2160);
  EXPECT_EQ(form.control_rect(kBar, window.client), (PixelRect{0, 0, 430, 57}));
  EXPECT_EQ(form.control_rect(kWeb, window.client), (PixelRect{0, 56, 430, 361}));

  window.client = {860, 834};
  EXPECT_EQ(form.property(kWeb, "Height"), 10860);
  // The designed content area runs past the window; it is placed inside it.
  EXPECT_EQ(form.control_rect(kWeb, window.client), (PixelRect{0, 112, 860, 722}));
  // Widths follow the window's width and heights its height, whatever its shape.
  window.client = {900, 400};
  EXPECT_EQ(form.control_rect(kBar, window.client), (PixelRect{0, 0, 900, 55}));

  // Values no control can take, and controls it does not have, are refused.
  EXPECT_FALSE(form.set_property(kWeb, "Top", std::numeric_limits<double>::quiet_NaN()));
  EXPECT_FALSE(form.set_property(kWeb, "Height", -1));
  EXPECT_FALSE(form.set_property(3, "Top", 0));
  EXPECT_EQ(form.property(kWeb, "FontSize"), std::nullopt);
  // Once set, a value stays where the layout put it, whatever the size.
  EXPECT_TRUE(form.set_property(kWeb, "Top", 1500));
  EXPECT_TRUE(form.set_property(kWeb, "Left", -30));
  window.client = {500, 800};
  EXPECT_EQ(form.property(kWeb, "Top"), 1500);
  const PixelRect web = form.control_rect(kWeb, window.client);
  EXPECT_EQ(web.y, 100);
  EXPECT_EQ(web.x, 0);  // a control moved off the left edge still starts inside
  // Edges are rounded, not sizes: the rect ends where Top + Height ends.
  EXPECT_EQ(web.y + web.height, std::lround((1500 + 5430 * 800 * 15 / 6255.0) / 15));
}

TEST(MainWindowForm, ResolutionSetsTheDesignedAndMinimumSizes) {
  EXPECT_EQ(twips_per_pixel_at(96), 15);
  EXPECT_EQ(twips_per_pixel_at(120), 12);
  for (double nonsense : {0.0, -96.0, 5.0, 100000.0, std::numeric_limits<double>::quiet_NaN()})
    EXPECT_EQ(twips_per_pixel_at(nonsense), 15) << nonsense;

  FakeWindow window;
  MainWindowForm form(window);
  EXPECT_EQ(form.design_client_size(), (PixelSize{430, 417}));
  EXPECT_EQ(form.minimum_client_size(), (PixelSize{215, 209}));
  window.tpp = 12;
  EXPECT_EQ(form.design_client_size(), (PixelSize{538, 521}));
  EXPECT_EQ(form.minimum_client_size(), (PixelSize{269, 261}));
  window.client = {538, 521};
  EXPECT_EQ(form.width(), 6456);
  EXPECT_EQ(form.height(), 521 * 12 + 400);
}

// Counts the references an object still has by watching it being finalized.
struct Watched {
  GObject* object = G_OBJECT(g_object_new(G_TYPE_OBJECT, nullptr));
  bool finalized = false;
  Watched() {
    g_object_weak_ref(
        object, [](gpointer done, GObject*) { *static_cast<bool*>(done) = true; }, &finalized);
  }
};

TEST(GObjectPtr, EveryHolderKeepsTheObjectAndTheLastOneFreesIt) {
  Watched watched;
  {
    auto first = GObjectPtr<GObject>::adopt(watched.object);
    {
      const GObjectPtr<GObject> copy = first;
      auto shared = GObjectPtr<GObject>::share(copy.get());
      GObjectPtr<GObject> moved = std::move(shared);
      EXPECT_EQ(watched.object->ref_count, 3u);
    }
    EXPECT_FALSE(watched.finalized);
    EXPECT_EQ(watched.object->ref_count, 1u);
    GObjectPtr<GObject> other;
    other = first;
    first.reset();
    EXPECT_FALSE(watched.finalized);
    other = GObjectPtr<GObject>();
    EXPECT_TRUE(watched.finalized);
  }
}

// An exception in a callback stops there: the callback answers its failure
// value, whatever was thrown, and a queued task that throws leaves the
// tasks after it to run.
TEST(SignalGuard, AFailingCallbackAnswersItsFailureValue) {
  EXPECT_EQ(guarded(
                "t", [] { return 4; }, -1),
            4);
  EXPECT_EQ(guarded(
                "t", []() -> int { throw engine_failure("gone"); }, -1),
            -1);
  EXPECT_EQ(guarded(
                "t", []() -> int { throw 3; }, -1),
            -1);
  bool ran = false;
  guarded("t", [&] {
    ran = true;
    throw std::runtime_error("late");
  });
  EXPECT_TRUE(ran);

  int after = 0;
  run_soon([] { throw std::runtime_error("queued"); });
  run_soon([&] { ++after; });
  event_step();
  EXPECT_EQ(after, 1);
}

}  // namespace
}  // namespace kb::gtk
