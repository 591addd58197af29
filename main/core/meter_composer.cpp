#include "main/core/meter_composer.h"

namespace snx {

namespace {

// Rows of the two channels on the strip; both take their parts from row 1.
constexpr int kRowY[2] = {1, 17};
constexpr int kPartsY = 1;
constexpr int kLampX = 1;
constexpr int kLampWidth = 16;
constexpr int kLampCellWidth = 17;
constexpr int kTrackX = 19;
constexpr int kTrackWidth = 255;
constexpr int kCellHeight = 9;
constexpr int kPartHeight = 8;
constexpr int kMarkWidth = 2;

TChannelFrame ChannelFrameOf(const TChannelLevel& level) {
  return TChannelFrame{level.Level > 1.0f, DrawingStep(level.Level), DrawingStep(level.Peak)};
}

}  // namespace

int DrawingStep(float value) {
  const int step = static_cast<int>(value);
  return step % 2 != 0 ? step + 1 : step;
}

TMeterFrame MeterFrameOf(const TStereoLevels& levels) {
  return TMeterFrame{ChannelFrameOf(levels[0]), ChannelFrameOf(levels[1])};
}

TMeterRect ChannelRow(std::size_t channel) {
  return TMeterRect{kLampX, kRowY[channel], kTrackX + kTrackWidth - kLampX, kCellHeight};
}

void ComposeMeter(const TMeterFrame& frame, TMeterRows rows, TMeterCanvas& canvas) {
  for (std::size_t ch = 0; ch < 2; ++ch) {
    if (rows[ch]) canvas.Copy(TMeterSource::msBack, kTrackX, kRowY[ch], kTrackWidth, kCellHeight, kTrackX, kRowY[ch]);
  }
  for (std::size_t ch = 0; ch < 2; ++ch) {
    if (rows[ch]) {
      canvas.Copy(TMeterSource::msBack, kLampX, kRowY[ch], kLampCellWidth, kCellHeight, kLampX, kRowY[ch]);
    }
  }
  for (std::size_t ch = 0; ch < 2; ++ch) {
    if (rows[ch] && frame[ch].lamp) {
      canvas.Copy(TMeterSource::msParts, kLampX, kPartsY, kLampWidth, kPartHeight, kLampX, kRowY[ch]);
    }
  }
  for (std::size_t ch = 0; ch < 2; ++ch) {
    if (rows[ch])
      canvas.Copy(TMeterSource::msParts, kTrackX, kPartsY, 2 * frame[ch].bar, kPartHeight, kTrackX, kRowY[ch]);
  }
  for (std::size_t ch = 0; ch < 2; ++ch) {
    if (rows[ch] && frame[ch].mark > 1) {
      const int x = kTrackX + 2 * frame[ch].mark;
      canvas.Copy(TMeterSource::msParts, x, kPartsY, kMarkWidth, kPartHeight, x, kRowY[ch]);
    }
  }
}

}  // namespace snx
