#include <gtest/gtest.h>

#include <stdexcept>

#include "common/kb_error.h"
#include "platform/gobject_ptr.h"
#include "platform/main_loop.h"
#include "platform/signal_guard.h"

namespace kb::gtk {
namespace {

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
