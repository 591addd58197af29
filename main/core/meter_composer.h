#pragma once
// Composition of the strip from the two skins: wipes from the clean main
// skin, then lamps, bars and peak marks copied from the parts skin.
#include <array>
#include <cstddef>
#include <cstdint>

#include "main/core/level_meter.h"

namespace snx {

// Size of the strip, the whole client area of the main window.
inline constexpr int kMeterWidth = 274;
inline constexpr int kMeterHeight = 26;

enum class TMeterSource : std::uint8_t {
  msBack,   // the main skin as loaded
  msParts,  // the lit lamp and the lit bar
};

// The working picture that copies are made into.
class TMeterCanvas {
 public:
  virtual void Copy(TMeterSource source, int source_x, int source_y, int width, int height, int dest_x, int dest_y) = 0;

 protected:
  ~TMeterCanvas() = default;
};

// Drawing step of a level or peak: truncated, odd values raised to the next
// even one, so bars move in 4-pixel steps. 0 to 106 for levels 0 to 105.
int DrawingStep(float value);

// Everything one channel's row depends on: two that compare equal look the
// same, so a row whose frame did not change need not be drawn again.
struct TChannelFrame {
  bool lamp;
  int bar, mark;
  friend bool operator==(const TChannelFrame&, const TChannelFrame&) = default;
};
// Left channel first, as in TStereoLevels.
using TMeterFrame = std::array<TChannelFrame, 2>;
TMeterFrame MeterFrameOf(const TStereoLevels& levels);

// A part of the strip, in skin pixels.
struct TMeterRect {
  int x, y, width, height;
  friend bool operator==(const TMeterRect&, const TMeterRect&) = default;
};
inline constexpr TMeterRect kWholeMeter{0, 0, kMeterWidth, kMeterHeight};
// What the copies of channel `channel` cover: its lamp and its track.
TMeterRect ChannelRow(std::size_t channel);

// Which channels' rows a composition draws, left first.
using TMeterRows = std::array<bool, 2>;

// The copies that draw the rows of `rows` in fixed order: tracks wiped,
// lamp cells wiped, then lamps, bars and marks. Rows left out keep what the
// canvas holds.
void ComposeMeter(const TMeterFrame& frame, TMeterRows rows, TMeterCanvas& canvas);

}  // namespace snx
