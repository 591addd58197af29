#pragma once
// Composition of the strip from the two skins: four wipes from the clean main
// skin, then lamps, bars and peak marks copied from the parts skin.
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

// Everything the picture depends on: two frames that compare equal look the
// same, so a tick whose frame did not change need not redraw the strip.
struct TMeterFrame {
  bool left_lamp, right_lamp;
  int left_bar, right_bar, left_mark, right_mark;
  friend bool operator==(const TMeterFrame&, const TMeterFrame&) = default;
};
TMeterFrame MeterFrameOf(const TStereoLevels& levels);

// Ten copies in fixed order, from one snapshot of both channels.
void ComposeMeter(const TStereoLevels& levels, TMeterCanvas& canvas);

}  // namespace snx
