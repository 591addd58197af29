#include "main/core/meter_clock.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <vector>

#include "main/core/meter_composer.h"

namespace snx {

void PrintTo(const TChannelFrame& frame, std::ostream* out) {
  *out << "{lamp " << frame.lamp << ", bar " << frame.bar << ", mark " << frame.mark << '}';
}

namespace {

class FakeCapture final : public TCaptureSource {
 public:
  void Start() override { idle = false; }
  void Stop() override { idle = true; }
  void SetDevice(std::string) override {}
  bool CaptureRunning() const override { return !idle; }
  bool CaptureIdle() const override {
    if (while_asked) while_asked();
    return idle;
  }

  bool idle = true;
  // Runs inside the question, as a last buffer of the capture thread would
  // land just before it went idle.
  std::function<void()> while_asked;
};

// One 10 ms buffer whose middle frame has these two samples (128 is silence).
void Measure(TChannelLevels& levels, std::uint8_t left, std::uint8_t right) {
  std::vector<std::uint8_t> buffer(kCaptureBufferSize, 128);
  buffer[kCaptureBufferSize / 2 - 1] = left;
  buffer[kCaptureBufferSize / 2] = right;
  levels.MeasureBuffer(buffer.data(), buffer.size());
}

const TMeterFrame kSilence = MeterFrameOf(TStereoLevels{});
// More ticks than the longest fall takes: levels that never come to rest
// fail a test here instead of hanging it.
constexpr int kTickLimit = 1000;

struct Strip {
  explicit Strip(bool may_rest) : clock(levels, capture, may_rest) {}
  TMeterFrame Frame() const { return MeterFrameOf(levels.Snapshot()); }
  // Ticks until the clock says it may rest, at most `limit` times; how many it took.
  int TicksToRest(int limit = kTickLimit) {
    for (int ticks = 1; ticks <= limit; ++ticks) {
      if (!clock.Tick()) return ticks;
    }
    return -1;
  }

  TChannelLevels levels;
  FakeCapture capture;
  TMeterClock clock;
};

struct FallRow {
  std::uint8_t left, right;
};
class MeterClockFallTest : public testing::TestWithParam<FallRow> {};

TEST_P(MeterClockFallTest, RestsOnTheFirstTickThatLeavesEveryBarAndPeakDown) {
  Strip strip(true);
  strip.capture.Start();
  Measure(strip.levels, GetParam().left, GetParam().right);
  strip.capture.Stop();
  Strip never_resting(false);
  never_resting.capture.Start();
  Measure(never_resting.levels, GetParam().left, GetParam().right);
  int fall = 0;
  do {
    (void)never_resting.clock.Tick();
    ++fall;
  } while (!LevelsAtRest(never_resting.levels.Snapshot()) && fall < kTickLimit);
  ASSERT_TRUE(LevelsAtRest(never_resting.levels.Snapshot())) << "the levels never came to rest";
  EXPECT_EQ(strip.TicksToRest(), fall);
  EXPECT_EQ(strip.Frame(), kSilence);
}

// Full scale on both sides, one loud side only, the quietest level, silence.
INSTANTIATE_TEST_SUITE_P(Levels, MeterClockFallTest,
                         testing::Values(FallRow{0, 255}, FallRow{255, 128}, FallRow{129, 127}, FallRow{128, 128}));

TEST(MeterClockTest, KeepsTickingWhileCaptureRunsOrConnectsAndOnAPlatformThatNeverRests) {
  Strip capturing(true);
  capturing.capture.Start();  // silent sound, or an attempt still connecting
  Strip windows(false);
  for (int tick = 0; tick < 1000; ++tick) {
    ASSERT_TRUE(capturing.clock.Tick()) << "tick " << tick;
    ASSERT_TRUE(windows.clock.Tick()) << "tick " << tick;
  }
}

TEST(MeterClockTest, ABufferMeasuredJustBeforeCaptureWentIdleKeepsTheTicksGoing) {
  Strip strip(true);
  strip.capture.Start();
  strip.capture.while_asked = [&strip] {
    Measure(strip.levels, 255, 255);
    strip.capture.Stop();
    strip.capture.while_asked = nullptr;
  };
  EXPECT_TRUE(strip.clock.Tick()) << "the clock rested with the last buffer's bars up";
  EXPECT_NE(strip.Frame(), kSilence);
  EXPECT_GT(strip.TicksToRest(), 1);
}

// What a sound does after Start: a loud burst, silence, a quieter one.
void Play(Strip& strip, std::vector<TMeterFrame>& frames) {
  strip.capture.Start();
  for (int tick = 0; tick < 400; ++tick) {
    if (tick < 3) Measure(strip.levels, 128, 128);
    if (tick == 3) Measure(strip.levels, 255, 200);
    if (tick == 150) Measure(strip.levels, 150, 40);
    ASSERT_TRUE(strip.clock.Tick());
    frames.push_back(strip.Frame());
  }
}

TEST(MeterClockTest, APictureAfterARestIsTheOneOfATimerThatNeverStopped) {
  Strip resting(true);
  Strip ticking(true);
  for (Strip* strip : {&resting, &ticking}) {
    strip->capture.Start();
    Measure(strip->levels, 0, 255);
    strip->capture.Stop();
  }
  const int fall = resting.TicksToRest();
  ASSERT_GT(fall, 0);
  // The other strip's timer goes on through the rest; its speeds keep growing.
  for (int tick = 1; tick <= fall + 20000; ++tick) {
    (void)ticking.clock.Tick();
    if (tick >= fall) {
      ASSERT_EQ(ticking.Frame(), kSilence) << "tick " << tick;
    }
  }
  std::vector<TMeterFrame> after_rest;
  std::vector<TMeterFrame> never_stopped;
  Play(resting, after_rest);
  Play(ticking, never_stopped);
  EXPECT_EQ(after_rest, never_stopped);
  EXPECT_NE(after_rest[3], kSilence) << "the burst was never drawn";
}

}  // namespace
}  // namespace snx
