#include "main/core/middle_frame_collector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace snx {
namespace {

// What a meter reading the middle frame of each buffer would read, and where
// in the sound that frame was: the sound's bytes here count up, two per frame.
class FrameRecorder final : public TBufferMeasure {
 public:
  void MeasureBuffer(const std::uint8_t* data, std::size_t length) override {
    ASSERT_EQ(length, kCaptureBufferSize);
    frames.push_back(std::uint32_t{data[length / 2 - 1]} | std::uint32_t{data[length / 2]} << 8);
  }
  std::vector<std::uint32_t> frames;
};

// Frame n of the sound carries n, little end first (a 16-bit frame number).
std::vector<std::uint8_t> Sound(std::size_t frames) {
  std::vector<std::uint8_t> sound;
  for (std::size_t n = 0; n < frames; ++n) {
    sound.push_back(static_cast<std::uint8_t>(n & 0xFF));
    sound.push_back(static_cast<std::uint8_t>(n >> 8 & 0xFF));
  }
  return sound;
}

struct PieceCase {
  const char* name;
  std::size_t piece_bytes;
};

class MiddleFrameCollectorTest : public testing::TestWithParam<PieceCase> {};

TEST_P(MiddleFrameCollectorTest, MeasuresEachBuffersMiddleFrameInThePieceThatBringsIt) {
  constexpr std::size_t kFrames = std::size_t{441} * 40;
  const std::vector<std::uint8_t> sound = Sound(kFrames);
  FrameRecorder meter;
  TMiddleFrameCollector collector(meter);
  collector.Restart();
  const std::size_t piece = GetParam().piece_bytes;
  std::vector<std::uint32_t> measured_with_piece_ending;
  for (std::size_t at = 0; at < sound.size(); at += piece) {
    const std::size_t length = std::min(piece, sound.size() - at);
    std::size_t taken = 0;
    while (taken < length) {
      const std::size_t before = meter.frames.size();
      taken += collector.Take(sound.data() + at + taken, length - taken);
      // Each Take stops right after the frame it had measured.
      if (meter.frames.size() > before) {
        ASSERT_EQ(meter.frames.back(), (at + taken) / 2 - 1);
      }
    }
    for (std::size_t n = measured_with_piece_ending.size(); n < meter.frames.size(); ++n) {
      measured_with_piece_ending.push_back(static_cast<std::uint32_t>((at + length) / 2 - 1));
    }
  }
  // Buffers of 441 frames, half a buffer off the sound's start: the middle
  // frames are the last frames of each 10 ms of sound.
  std::vector<std::uint32_t> expected;
  for (std::uint32_t frame = 440; frame < kFrames; frame += 441) expected.push_back(frame);
  EXPECT_EQ(meter.frames, expected);
  if (piece == kCaptureBufferSize) {
    EXPECT_EQ(measured_with_piece_ending, expected) << "a middle frame waited for the next piece";
  }
}

INSTANTIATE_TEST_SUITE_P(Pieces, MiddleFrameCollectorTest,
                         testing::Values(PieceCase{"TenMilliseconds", kCaptureBufferSize}, PieceCase{"OneFrame", 2},
                                         PieceCase{"HalfABuffer", 442},
                                         PieceCase{"FortyMilliseconds", std::size_t{4} * kCaptureBufferSize},
                                         PieceCase{"Uneven", 1026}),
                         [](const testing::TestParamInfo<PieceCase>& param_info) {
                           return std::string(param_info.param.name);
                         });

TEST(MiddleFrameCollectorRestartTest, EachCaptureStartsHalfABufferOffItsOwnSound) {
  const std::vector<std::uint8_t> sound = Sound(std::size_t{441} * 3);
  FrameRecorder meter;
  TMiddleFrameCollector collector(meter);
  collector.Restart();
  // A capture that ended a quarter into a buffer.
  for (std::size_t taken = 0; taken < 1100;) taken += collector.Take(sound.data() + taken, 1100 - taken);
  collector.Restart();
  for (std::size_t taken = 0; taken < sound.size();) {
    taken += collector.Take(sound.data() + taken, sound.size() - taken);
  }
  EXPECT_EQ(meter.frames, (std::vector<std::uint32_t>{440, 440, 881, 1322}));
}

}  // namespace
}  // namespace snx
