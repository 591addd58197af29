#pragma once
// The strip's clock: each tick lets the bars fall, and tells whether another
// tick could still change the picture.
#include "main/core/capture_source.h"
#include "main/core/level_meter.h"

namespace snx {

// Every bar and peak mark is down: only a measured buffer can raise them.
bool LevelsAtRest(const TStereoLevels& levels);

class TMeterClock {
 public:
  // `may_rest`: whether the platform lets the ticks stop while nothing can
  // change (Windows keeps its 10 ms timer running whatever happens).
  TMeterClock(TChannelLevels& levels, const TCaptureSource& capture, bool may_rest)
      : levels_(levels), capture_(capture), may_rest_(may_rest) {}

  // One tick's fall. False once capture is idle and every bar and peak mark
  // is down: until the next Start no tick could change the picture, and one
  // after it falls exactly as if the ticks had never stopped (a rise from
  // zero resets both speeds, the only state that grew meanwhile).
  [[nodiscard]] bool Tick();

 private:
  TChannelLevels& levels_;
  const TCaptureSource& capture_;
  const bool may_rest_;
};

}  // namespace snx
