#include "main/core/meter_pacer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "main/core/capture_source.h"
#include "main/core/level_meter.h"
#include "main/core/meter_composer.h"

namespace snx {

// Defined beside the clock's tests, in the same program.
void PrintTo(const TChannelFrame& frame, std::ostream* out);

namespace {

constexpr TPacerTime Ms(double ms) { return TPacerTime(static_cast<TPacerTime::rep>(ms * 1000)); }

// The loudness of the n-th buffer of a sound: bursts, falls and quieter
// bursts, so that a tick run early, late or twice shows in the picture.
std::uint8_t SampleOf(int n) {
  if (n % 37 == 3) return 255;
  if (n % 11 == 5) return 200;
  if (n % 7 == 0) return 150;
  return 128;
}

void Measure(TChannelLevels& levels, std::uint8_t sample) {
  std::vector<std::uint8_t> buffer(kCaptureBufferSize, 128);
  buffer[kCaptureBufferSize / 2 - 1] = sample;
  buffer[kCaptureBufferSize / 2] = static_cast<std::uint8_t>(255 - sample);
  levels.MeasureBuffer(buffer.data(), buffer.size());
}

// A platform's loop over a fake clock, as the strip's runs on one thread:
// each buffer is measured when it arrives and then the pacer is asked, and
// the one wake-up the pacer asked for comes when nothing arrives before it.
struct PacedStrip {
  TChannelLevels levels;
  TMeterPacer pacer;
  std::vector<TPacerTime> ticks;
  std::vector<TMeterFrame> frames;

  void Pace(TPacerTime now) {
    if (!pacer.TickDue(now)) return;
    pacer.Ticked(now);
    levels.DecayLevels();
    ticks.push_back(now);
    frames.push_back(MeterFrameOf(levels.Snapshot()));
  }
  // The n-th buffer arrives at arrivals[n]; the loop runs until `end`.
  // Capture starts at 0, the timer's last tick having run at `last_tick`.
  void Run(const std::vector<TPacerTime>& arrivals, TPacerTime end, TPacerTime last_tick = Ms(0)) {
    pacer.Restart(last_tick);
    std::size_t next = 0;
    for (;;) {
      const TPacerTime wake = pacer.NextDue();
      const TPacerTime arrival = next < arrivals.size() ? arrivals[next] : TPacerTime::max();
      if (std::min(wake, arrival) > end) return;
      if (wake < arrival) {
        Pace(wake);
      } else {
        Measure(levels, SampleOf(static_cast<int>(next)));
        ++next;
        pacer.SoundMeasured();
        Pace(arrival);
      }
    }
  }
  TPacerTime ClosestTicks() const {
    TPacerTime closest = TPacerTime::max();
    for (std::size_t i = 1; i < ticks.size(); ++i) closest = std::min(closest, ticks[i] - ticks[i - 1]);
    return closest;
  }
};

// Today's 10 ms timer, given the same sound steadily: one buffer measured
// between each two ticks.
std::vector<TMeterFrame> TimerFrames(int buffers, int ticks) {
  TChannelLevels levels;
  std::vector<TMeterFrame> frames;
  for (int tick = 0; tick < ticks; ++tick) {
    if (tick < buffers) Measure(levels, SampleOf(tick));
    levels.DecayLevels();
    frames.push_back(MeterFrameOf(levels.Snapshot()));
  }
  return frames;
}

struct DeliveryCase {
  const char* name;
  // When each buffer arrives, capture having started at 0.
  std::vector<TPacerTime> arrivals;
  // Ticks the run may differ from the sound's buffers by: a last bunch's
  // owed ticks come after its arrival, and a stall's end may meet a wall tick.
  int slack;
  // The pictures are those of the timer given the sound steadily.
  bool timer_pictures;
};

std::vector<TPacerTime> Steady(int buffers, TPacerTime first, TPacerTime lateness = {}) {
  std::vector<TPacerTime> arrivals;
  for (int n = 0; n < buffers; ++n) arrivals.push_back(first + n * (kTickPeriod + lateness));
  return arrivals;
}

// PulseAudio: 10 ms apart plus up to 3 ms of the server's lateness, which it
// makes up now and then.
std::vector<TPacerTime> Late(int buffers) {
  std::vector<TPacerTime> arrivals;
  for (int n = 0; n < buffers; ++n) arrivals.push_back(Ms(7) + n * kTickPeriod + Ms((n * 7 % 13) / 4.0));
  return arrivals;
}

// PipeWire: `size` buffers at once, each bunch `size` periods after the last.
std::vector<TPacerTime> Bunched(int buffers, int size) {
  std::vector<TPacerTime> arrivals;
  for (int n = 0; n < buffers; ++n) arrivals.push_back(Ms(3) + (n / size + 1) * size * kTickPeriod);
  return arrivals;
}

// Steady, then the server stalls for `stall` and delivers what it held at once.
std::vector<TPacerTime> Stalled(int buffers, int from, TPacerTime stall) {
  std::vector<TPacerTime> arrivals = Steady(buffers, Ms(4));
  for (int n = from; n < buffers; ++n) {
    arrivals[static_cast<std::size_t>(n)] = std::max(arrivals[static_cast<std::size_t>(n)], arrivals[from] + stall);
  }
  return arrivals;
}

class MeterPacerDeliveryTest : public testing::TestWithParam<DeliveryCase> {};

TEST_P(MeterPacerDeliveryTest, TicksOncePerBufferNeverCloserThanHalfAPeriod) {
  const DeliveryCase& delivery = GetParam();
  const int buffers = static_cast<int>(delivery.arrivals.size());
  PacedStrip strip;
  // The run ends with the last buffer's own tick and those it still owes.
  const TPacerTime end = delivery.arrivals.back() + kMostOwed * kTickSpacing;
  strip.Run(delivery.arrivals, end);
  // Before the sound, the ticks are the timer's; after it, those of the gap it leaves.
  const auto first = std::lower_bound(strip.ticks.begin(), strip.ticks.end(), delivery.arrivals.front());
  const auto last = std::upper_bound(strip.ticks.begin(), strip.ticks.end(), delivery.arrivals.back());
  const int ticks_in_sound = static_cast<int>(last - first);
  EXPECT_LE(std::abs(ticks_in_sound - buffers), delivery.slack)
      << ticks_in_sound << " ticks for " << buffers << " buffers";
  EXPECT_GE(strip.ClosestTicks(), kTickSpacing);
  if (delivery.timer_pictures) {
    const auto skipped = first - strip.ticks.begin();
    const std::vector<TMeterFrame> paced(strip.frames.begin() + skipped, strip.frames.begin() + skipped + buffers);
    EXPECT_EQ(paced, TimerFrames(buffers, buffers));
  }
}

INSTANTIATE_TEST_SUITE_P(Deliveries, MeterPacerDeliveryTest,
                         testing::Values(DeliveryCase{"Steady", Steady(300, Ms(6)), 0, true},
                                         DeliveryCase{"SteadyRightAfterStart", Steady(300, Ms(0.1)), 0, true},
                                         DeliveryCase{"LateByAFewMilliseconds", Late(300), 0, true},
                                         DeliveryCase{"SlowServer", Steady(300, Ms(5), Ms(0.5)), 0, true},
                                         DeliveryCase{"BunchedInTwos", Bunched(300, 2), 1, false},
                                         DeliveryCase{"BunchedInFours", Bunched(300, 4), 3, false},
                                         DeliveryCase{"StallOfEightyMilliseconds", Stalled(300, 100, Ms(80)), 1, false},
                                         DeliveryCase{"StallOfAlmostTheMostOwed",
                                                      Stalled(300, 100, (kMostOwed - 1) * kTickPeriod), 1, false}),
                         [](const testing::TestParamInfo<DeliveryCase>& param_info) {
                           return std::string(param_info.param.name);
                         });

TEST(MeterPacerTest, EachBufferTicksTheMomentItIsMeasured) {
  PacedStrip strip;
  const std::vector<TPacerTime> arrivals = Late(50);
  strip.Run(arrivals, arrivals.back());
  EXPECT_EQ(strip.ticks, arrivals);
}

TEST(MeterPacerTest, ABunchIsSpreadHalfAPeriodApartAndBuffersThatComeAfterAGapRepayItsTicks) {
  PacedStrip strip;
  strip.Run({Ms(3), Ms(3), Ms(3)}, Ms(13));
  EXPECT_EQ(strip.ticks, (std::vector<TPacerTime>{Ms(3), Ms(8), Ms(13)}));

  // Sound that stops: wall-time ticks a gap apart; what comes late after
  // them repays them rather than ticking twice.
  PacedStrip gap;
  gap.Run({Ms(3), Ms(13), Ms(50), Ms(50), Ms(50), Ms(53)}, Ms(60));
  EXPECT_EQ(gap.ticks, (std::vector<TPacerTime>{Ms(3), Ms(13), Ms(28), Ms(43), Ms(50), Ms(55)}));
}

TEST(MeterPacerTest, CaptureStartedWhileTheBarsFallKeepsTheTimersScheduleUntilSoundArrives) {
  // The timer's last tick 4 ms before Start, the first sound 43 ms after it.
  PacedStrip strip;
  strip.Run(Steady(20, Ms(43)), Ms(43) + 19 * kTickPeriod, Ms(-4));
  ASSERT_EQ(strip.ticks.size(), 24U);
  const std::vector<TPacerTime> before_sound(strip.ticks.begin(), strip.ticks.begin() + 4);
  EXPECT_EQ(before_sound, (std::vector<TPacerTime>{Ms(6), Ms(16), Ms(26), Ms(36)}));
  // Then one tick per buffer, each at its buffer, none owed for the wait.
  const std::vector<TPacerTime> with_sound(strip.ticks.begin() + 4, strip.ticks.end());
  EXPECT_EQ(with_sound, Steady(20, Ms(43)));

  // Sound right after a tick waits out the spacing, then ticks at once again.
  PacedStrip early;
  early.Run(Steady(5, Ms(38)), Ms(78), Ms(-4));
  EXPECT_EQ(std::vector<TPacerTime>(early.ticks.begin() + 4, early.ticks.end()),
            (std::vector<TPacerTime>{Ms(41), Ms(48), Ms(58), Ms(68), Ms(78)}));
}

TEST(MeterPacerTest, SoundLostInALongStallIsForgottenNotPaidBackInARun) {
  // Wall-time ticks bridge the stall; the sound that comes afterwards
  // repays at most kMostOwed of them and soon ticks at once again.
  std::vector<TPacerTime> arrivals = Steady(10, Ms(5));
  for (const TPacerTime arrival : Steady(60, Ms(1005))) arrivals.push_back(arrival);
  PacedStrip strip;
  strip.Run(arrivals, arrivals.back());
  EXPECT_GE(strip.ClosestTicks(), kTickSpacing);
  const auto last_arrivals = std::vector<TPacerTime>(arrivals.end() - 20, arrivals.end());
  const auto last_ticks = std::vector<TPacerTime>(strip.ticks.end() - 20, strip.ticks.end());
  EXPECT_EQ(last_ticks, last_arrivals);

  // Many buffers at once owe at most kMostOwed ticks.
  PacedStrip bunch;
  bunch.Run(std::vector<TPacerTime>(100, Ms(5)), Ms(5) + 100 * kTickSpacing);
  // The first ticks at once; those owed follow kTickSpacing apart, then the gap's.
  const auto owed = std::count_if(bunch.ticks.begin(), bunch.ticks.end(), [](TPacerTime t) {
    return t > Ms(5) && t < Ms(5) + kSoundGap + kMostOwed * kTickSpacing - kTickSpacing;
  });
  EXPECT_EQ(owed, kMostOwed);
}

}  // namespace
}  // namespace snx
