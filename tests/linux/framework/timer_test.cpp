#include "framework/linux/timer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "framework/core/form_description.h"
#include "framework/core/reader.h"
#include "tests/linux/framework/gtk_fixture.h"
#include "tests/patience.h"

namespace snx {
namespace {

// Runs the main loop, blocking as the program does, until `done` holds or
// the limit has passed.
template <typename Done>
void RunLoopUntil(Done done, std::chrono::milliseconds limit) {
  // Wakes the loop at the end, should nothing else be due.
  const TSourceId wake(g_timeout_add(
      static_cast<guint>(limit.count()), +[](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr));
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done() && std::chrono::steady_clock::now() < end) g_main_context_iteration(nullptr, TRUE);
}

struct ScheduleCase {
  const char* name;
  gint64 due, now, next;
};

class TickScheduleTest : public testing::TestWithParam<ScheduleCase> {};

// Times in milliseconds, an interval of 10.
TEST_P(TickScheduleTest, KeepsThePhaseOfTheFirstTickAndSkipsWhatWasMissed) {
  EXPECT_EQ(NextTickDue(GetParam().due, GetParam().now, 10), GetParam().next);
}

INSTANTIATE_TEST_SUITE_P(Ticks, TickScheduleTest,
                         testing::Values(ScheduleCase{"OnTime", 100, 100, 110},
                                         // A timer that counted from when the tick ran would drift to 117.
                                         ScheduleCase{"LateByLessThanAnInterval", 100, 107, 110},
                                         ScheduleCase{"LateByExactlyOneInterval", 100, 110, 120},
                                         // 110, 120 and 130 were missed: one tick now, none bunched after it.
                                         ScheduleCase{"LateBySeveralIntervals", 100, 135, 140}),
                         [](const testing::TestParamInfo<ScheduleCase>& tick) { return std::string(tick.param.name); });

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

TEST_F(TimerTest, TenMillisecondsTicksNeverFasterThanItsScheduleAndStopsWhenDisabled) {
  ASSERT_NE(timer_, nullptr);
  const auto started = std::chrono::steady_clock::now();
  // A loaded machine may deliver the ticks late, never early: the limit
  // only bounds a timer that does not tick at all.
  RunLoopUntil([&] { return ticks_ >= 20; }, kPatience);
  const auto elapsed =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
  ASSERT_GE(ticks_, 20);
  EXPECT_LE(ticks_, elapsed.count() / 10 + 1);

  timer_->SetEnabled(false);
  const int stopped_at = ticks_;
  RunLoopUntil([] { return false; }, std::chrono::milliseconds(50));
  EXPECT_EQ(ticks_, stopped_at);
}

}  // namespace
}  // namespace snx
