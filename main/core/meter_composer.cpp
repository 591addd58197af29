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

}  // namespace

int DrawingStep(float value) {
  const int step = static_cast<int>(value);
  return step % 2 != 0 ? step + 1 : step;
}

void ComposeMeter(const TStereoLevels& levels, TMeterCanvas& canvas) {
  for (const int y : kRowY) {
    canvas.Copy(TMeterSource::msBack, kTrackX, y, kTrackWidth, kCellHeight, kTrackX, y);
  }
  for (const int y : kRowY) {
    canvas.Copy(TMeterSource::msBack, kLampX, y, kLampCellWidth, kCellHeight, kLampX, y);
  }
  for (std::size_t ch = 0; ch < 2; ++ch) {
    if (levels[ch].level > 1.0f) {
      canvas.Copy(TMeterSource::msParts, kLampX, kPartsY, kLampWidth, kPartHeight, kLampX, kRowY[ch]);
    }
  }
  for (std::size_t ch = 0; ch < 2; ++ch) {
    const int width = 2 * DrawingStep(levels[ch].level);
    canvas.Copy(TMeterSource::msParts, kTrackX, kPartsY, width, kPartHeight, kTrackX, kRowY[ch]);
  }
  for (std::size_t ch = 0; ch < 2; ++ch) {
    const int step = DrawingStep(levels[ch].peak);
    if (step > 1) {
      const int x = kTrackX + 2 * step;
      canvas.Copy(TMeterSource::msParts, x, kPartsY, kMarkWidth, kPartHeight, x, kRowY[ch]);
    }
  }
}

}  // namespace snx

namespace snx {

TMeterFrame MeterFrameOf(const TStereoLevels& levels) {
  const TChannelLevel& l = levels[0];
  const TChannelLevel& r = levels[1];
  return TMeterFrame{l.level > 1.0f,       r.level > 1.0f,      DrawingStep(l.level),
                     DrawingStep(r.level), DrawingStep(l.peak), DrawingStep(r.peak)};
}

}  // namespace snx
