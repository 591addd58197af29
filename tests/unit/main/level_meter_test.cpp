#include "main/core/level_meter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "main/core/meter_composer.h"

namespace snx {
namespace {

struct AmplitudeRow {
  int amplitude, level;
};
class SampleToLevelTest : public testing::TestWithParam<AmplitudeRow> {};

TEST_P(SampleToLevelTest, BothSidesOfSilenceGiveTheLevel) {
  const auto [amplitude, level] = GetParam();
  EXPECT_EQ(SampleToLevel(static_cast<std::uint8_t>(128 - amplitude)), level);
  if (amplitude < 128) {
    EXPECT_EQ(SampleToLevel(static_cast<std::uint8_t>(128 + amplitude)), level);
  }
}

// 9 and 99 hit exact powers of ten; 125 is the first amplitude at full scale.
INSTANTIATE_TEST_SUITE_P(TellingRows, SampleToLevelTest,
                         testing::ValuesIn(std::vector<AmplitudeRow>{{0, 0},
                                                                     {1, 15},
                                                                     {2, 23},
                                                                     {3, 30},
                                                                     {9, 50},
                                                                     {15, 60},
                                                                     {31, 75},
                                                                     {63, 90},
                                                                     {99, 100},
                                                                     {124, 104},
                                                                     {125, 105},
                                                                     {127, 105},
                                                                     {128, 105}}));

class LevelMeterTest : public testing::Test {
 protected:
  // An 882-byte buffer at full scale everywhere but its middle frame.
  void Measure(std::uint8_t left, std::uint8_t right) {
    std::vector<std::uint8_t> buffer(882, 0);
    buffer[440] = left;
    buffer[441] = right;
    meter_.MeasureBuffer(buffer.data(), buffer.size());
  }
  TChannelLevel Left() const { return meter_.Snapshot()[0]; }

  TChannelLevels meter_;
};

TEST_F(LevelMeterTest, OnlyTheMiddleFrameIsRead) {
  Measure(127, 255);
  EXPECT_EQ(Left().Level, 15.0f);
  EXPECT_EQ(Left().Peak, 15.0f);
  EXPECT_EQ(meter_.Snapshot()[1].Level, 105.0f);
  EXPECT_EQ(meter_.Snapshot()[1].LevelSpeed, 0.0f);
}

// Every byte but the middle frame is at full scale, and the frame's two bytes
// give levels unlike each other and unlike their neighbours, so reading any
// other byte, or the frame's bytes the wrong way round, shows.
class MiddleFrameTest : public testing::TestWithParam<std::size_t> {};

TEST_P(MiddleFrameTest, LeftIsHalfMinusOneAndRightIsHalf) {
  const std::size_t length = GetParam();
  std::vector<std::uint8_t> buffer(length, 255);
  buffer[length / 2 - 1] = 127;  // level 15
  buffer[length / 2] = 159;      // level 75
  TChannelLevels meter;
  meter.MeasureBuffer(buffer.data(), buffer.size());
  EXPECT_EQ(meter.Snapshot()[0].Level, 15.0f);
  EXPECT_EQ(meter.Snapshot()[1].Level, 75.0f);
}

INSTANTIATE_TEST_SUITE_P(Lengths, MiddleFrameTest, testing::Values(2, 3, 4, 5, 7, 881, 882, 883));

TEST_F(LevelMeterTest, BufferWithoutAMiddleFrameIsIgnored) {
  const std::uint8_t one[] = {255};
  meter_.MeasureBuffer(one, 1);
  meter_.MeasureBuffer(one, 0);
  EXPECT_EQ(Left().Level, 0.0f);
}

TEST_F(LevelMeterTest, OnlyAHigherValueChangesAChannel) {
  Measure(255, 128);
  for (int tick = 0; tick < 30; ++tick) meter_.DecayLevels();
  Measure(129, 128);  // 15 raises the bar, not the peak mark above it
  EXPECT_EQ(Left().Level, 15.0f);
  EXPECT_EQ(Left().LevelSpeed, 0.0f);
  EXPECT_GT(Left().PeakSpeed, 0.0f);
  meter_.DecayLevels();
  const TChannelLevel held = Left();
  Measure(129, 128);  // equal
  Measure(128, 128);  // lower
  EXPECT_EQ(Left().Level, held.Level);
  EXPECT_EQ(Left().LevelSpeed, held.LevelSpeed);
  EXPECT_EQ(Left().Peak, held.Peak);
}

TEST_F(LevelMeterTest, FullScaleThenSilenceFallsOnSchedule) {
  Measure(255, 255);
  const int widths[] = {212, 208, 208, 204, 204, 200};
  int level_zero = 0, peak_zero = 0;
  for (int tick = 1; tick <= 200; ++tick) {
    meter_.DecayLevels();
    const TChannelLevel c = Left();
    if (tick <= 6) {
      EXPECT_EQ(2 * DrawingStep(c.Level), widths[tick - 1]) << "tick " << tick;
    }
    if (level_zero == 0 && c.Level == 0.0f) level_zero = tick;
    if (peak_zero == 0 && c.Peak == 0.0f) peak_zero = tick;
    ASSERT_TRUE(c.Level >= 0 && c.Peak >= c.Level && c.LevelSpeed >= 0.4f && c.PeakSpeed >= 0.006f);
  }
  EXPECT_EQ(level_zero, 24);
  EXPECT_EQ(peak_zero, 188);
}

// After a long silence the peak's fall speed has grown large; a new raise must
// start the mark's fall afresh, as slowly as after the first one.
TEST_F(LevelMeterTest, ARaiseAfterLongSilenceRestartsThePeakFall) {
  Measure(255, 128);
  for (int tick = 0; tick < 200; ++tick) meter_.DecayLevels();
  ASSERT_EQ(Left().Peak, 0.0f);
  ASSERT_GT(Left().PeakSpeed, 1.0f);
  Measure(255, 128);
  EXPECT_EQ(Left().PeakSpeed, 0.0f);
  for (int tick = 1; tick <= 5; ++tick) meter_.DecayLevels();
  // 105 - 0.003 * 5 * 4, well above the bar at 105 - 0.2 * 5 * 4.
  EXPECT_NEAR(Left().Peak, 104.94f, 1e-4f);
  EXPECT_NEAR(Left().Level, 101.0f, 1e-4f);
}

// A bar raised just under a falling peak mark holds for one tick; the mark
// falls onto it and stops there rather than sinking through it.
TEST_F(LevelMeterTest, AFallingPeakStopsOnAHeldBar) {
  Measure(255, 128);
  for (int tick = 0; tick < 100; ++tick) meter_.DecayLevels();
  Measure(128 + 31, 128);  // level 75
  const TChannelLevel before = Left();
  ASSERT_EQ(before.Level, 75.0f);
  ASSERT_GT(before.Peak, 75.0f);
  ASSERT_LT(before.Peak - before.PeakSpeed, 75.0f);
  meter_.DecayLevels();
  EXPECT_EQ(Left().Level, 75.0f);
  EXPECT_EQ(Left().Peak, 75.0f);
}

// Also run under ThreadSanitizer: measuring and ticking share the state.
TEST(LevelMeterThreads, SnapshotNeverMixesAMeasurementWithATick) {
  TChannelLevels meter;
  std::atomic<bool> done = false;
  std::thread capture([&] {
    std::uint8_t frame[2];
    for (int i = 0; i < 20000; ++i) {
      frame[0] = frame[1] = static_cast<std::uint8_t>(i % 256);
      meter.MeasureBuffer(frame, 2);
    }
    done = true;
  });
  while (!done) {
    meter.DecayLevels();
    for (const TChannelLevel& c : meter.Snapshot()) ASSERT_GE(c.Peak, c.Level);
  }
  capture.join();
}

}  // namespace
}  // namespace snx
