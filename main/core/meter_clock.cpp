#include "main/core/meter_clock.h"

#include <algorithm>

namespace snx {

bool LevelsAtRest(const TStereoLevels& levels) {
  return std::all_of(levels.begin(), levels.end(),
                     [](const TChannelLevel& channel) { return channel.Level == 0.0f && channel.Peak == 0.0f; });
}

bool TMeterClock::Tick() {
  // Asked before the levels are read: a buffer measured just before capture
  // went idle is then seen in them, and none can come after.
  const bool idle = may_rest_ && capture_.CaptureIdle();
  levels_.DecayLevels();
  return !(idle && LevelsAtRest(levels_.Snapshot()));
}

}  // namespace snx
