#include "main/core/meter_pacer.h"

#include <algorithm>

namespace snx {

void TMeterPacer::Restart(TPacerTime last_tick) {
  last_tick_ = last_tick;
  owed_ = 0;
  sounding_ = false;
  ticked_ = false;
}

void TMeterPacer::SoundMeasured() {
  sounding_ = true;
  owed_ = std::min(owed_ + 1, kMostOwed);
}

void TMeterPacer::Ticked(TPacerTime now) {
  last_tick_ = now;
  ticked_ = true;
  // Before any sound the ticks are the timer's: nothing to repay.
  if (sounding_) owed_ = std::max(owed_ - 1, -kMostOwed);
}

TPacerTime TMeterPacer::NextDue() const {
  if (!sounding_) return last_tick_ + kTickPeriod;
  // The timer's last tick was not this pacer's: the first sound ticks at once.
  if (owed_ > 0) return ticked_ ? last_tick_ + kTickSpacing : last_tick_;
  // Ahead of the sound, the wall-time ticks come a gap apart rather than a
  // period: sound that keeps arriving repays them, even if what was late
  // never comes.
  return last_tick_ + kSoundGap;
}

}  // namespace snx
