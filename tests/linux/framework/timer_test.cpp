#include "framework/linux/timer.h"

#include <gtest/gtest.h>

#include <chrono>

#include "framework/core/form_description.h"
#include "framework/core/reader.h"
#include "tests/linux/framework/gtk_fixture.h"

namespace snx {
namespace {

// Runs the main loop, blocking as the program does, for the whole span.
void RunLoopFor(std::chrono::milliseconds span) {
  // Wakes the loop at the end, should nothing else be due.
  const TSourceId wake(g_timeout_add(
      static_cast<guint>(span.count()), +[](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr));
  const auto end = std::chrono::steady_clock::now() + span;
  while (std::chrono::steady_clock::now() < end) g_main_context_iteration(nullptr, TRUE);
}

class TimerTest : public testing::Test {
 protected:
  TimerTest() : root_(nullptr) {
    TestApplication();
    const ObjectDescription description = ParseFormDescription(
        "object Root: TComponent\n  object Timer: TTimer\n    Interval = 10\n    OnTimer = Tick\n  end\nend\n");
    const MethodTable methods{{"Tick", TNotifyEvent([this](TObject*) { ++ticks_; })}};
    TReader(description, {{"TTimer", Creates<TGtkTimer>()}}, methods).ReadRootComponent(&root_);
    timer_ = dynamic_cast<TTimer*>(root_.FindComponent("Timer"));
  }

  TComponent root_;
  TTimer* timer_ = nullptr;
  int ticks_ = 0;
};

TEST_F(TimerTest, TenMillisecondsTickAboutAHundredTimesASecondUntilDisabled) {
  ASSERT_NE(timer_, nullptr);
  RunLoopFor(std::chrono::seconds(1));
  EXPECT_GE(ticks_, 90);
  EXPECT_LE(ticks_, 101);

  timer_->SetEnabled(false);
  const int stopped_at = ticks_;
  RunLoopFor(std::chrono::milliseconds(50));
  EXPECT_EQ(ticks_, stopped_at);
}

}  // namespace
}  // namespace snx
