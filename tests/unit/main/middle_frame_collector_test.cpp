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

TEST_P(MiddleFrameCollectorTest, MeasuresEachBufferInTheDeliveryThatBringsItsMiddleFrameOnTheNewestFrame) {
  constexpr std::size_t kFrames = std::size_t{441} * 40;
  const std::vector<std::uint8_t> sound = Sound(kFrames);
  FrameRecorder meter;
  TMiddleFrameCollector collector(meter);
  collector.Restart();
  const std::size_t piece = GetParam().piece_bytes;
  // Each piece is one delivery of the server's.
  std::vector<std::size_t> delivery_of_measurement;
  for (std::size_t at = 0; at < sound.size(); at += piece) {
    const std::size_t length = std::min(piece, sound.size() - at);
    for (std::size_t taken = 0; taken < length;) taken += collector.Take(sound.data() + at + taken, length - taken);
    collector.Delivered();
    delivery_of_measurement.resize(meter.frames.size(), at / piece);
  }
  // Buffers of 441 frames laid on the sound's start: their middle frames
  // are frames 220, 661, ... The last middle in a delivery is read on the
  // delivery's last frame.
  std::vector<std::uint32_t> expected;
  std::vector<std::size_t> expected_delivery;
  for (std::size_t middle = 220; middle < kFrames; middle += 441) {
    const std::size_t delivery = middle * 2 / piece;
    const std::size_t delivery_end = std::min((delivery + 1) * piece, sound.size()) / 2;
    const bool last_in_delivery = middle + 441 >= delivery_end;
    expected.push_back(static_cast<std::uint32_t>(last_in_delivery ? delivery_end - 1 : middle));
    expected_delivery.push_back(delivery);
  }
  EXPECT_EQ(meter.frames, expected);
  EXPECT_EQ(delivery_of_measurement, expected_delivery) << "a middle frame waited for the next delivery";
}

INSTANTIATE_TEST_SUITE_P(Pieces, MiddleFrameCollectorTest,
                         testing::Values(PieceCase{"TenMilliseconds", kCaptureBufferSize}, PieceCase{"OneFrame", 2},
                                         PieceCase{"HalfABuffer", 442},
                                         PieceCase{"FortyMilliseconds", std::size_t{4} * kCaptureBufferSize},
                                         PieceCase{"Uneven", 1026},
                                         // 10 ms and the server's lateness: the middles slide through.
                                         PieceCase{"LateTenMilliseconds", 888}),
                         [](const testing::TestParamInfo<PieceCase>& param_info) {
                           return std::string(param_info.param.name);
                         });

// A server's 10 ms deliveries a few frames short or long of 10 ms, as
// PulseAudio's are: each brings one middle and is measured on its own last
// frame, never leaving the sound it brought to the next one's measurement.
TEST(MiddleFrameCollectorJitterTest, EachDeliveryOfAboutTenMillisecondsIsMeasuredOnItsOwnLastFrame) {
  constexpr std::size_t kSizes[] = {880, 884, 878, 886};
  const std::vector<std::uint8_t> sound = Sound(std::size_t{441} * 40);
  FrameRecorder meter;
  TMiddleFrameCollector collector(meter);
  collector.Restart();
  std::size_t at = 0;
  for (std::size_t delivery = 0; at + kSizes[delivery % 4] <= sound.size(); ++delivery) {
    const std::size_t length = kSizes[delivery % 4];
    for (std::size_t taken = 0; taken < length;) taken += collector.Take(sound.data() + at + taken, length - taken);
    collector.Delivered();
    at += length;
    ASSERT_EQ(meter.frames.size(), delivery + 1) << "delivery " << delivery << " of " << length << " bytes";
    EXPECT_EQ(meter.frames.back(), at / 2 - 1) << "delivery " << delivery;
  }
}

TEST(MiddleFrameCollectorRestartTest, EachCaptureLaysItsBuffersOnItsOwnSound) {
  const std::vector<std::uint8_t> sound = Sound(std::size_t{441} * 3);
  FrameRecorder meter;
  TMiddleFrameCollector collector(meter);
  collector.Restart();
  // A capture that ended a quarter into its second buffer, its delivery over.
  for (std::size_t taken = 0; taken < 1100;) taken += collector.Take(sound.data() + taken, 1100 - taken);
  collector.Delivered();
  // One stopped in the middle of a delivery: its middle frame is not measured.
  collector.Restart();
  for (std::size_t taken = 0; taken < 1000;) taken += collector.Take(sound.data() + taken, 1000 - taken);
  collector.Restart();
  for (std::size_t taken = 0; taken < sound.size();) {
    taken += collector.Take(sound.data() + taken, sound.size() - taken);
  }
  collector.Delivered();
  EXPECT_EQ(meter.frames, (std::vector<std::uint32_t>{549, 220, 661, 1322}));
}

}  // namespace
}  // namespace snx
