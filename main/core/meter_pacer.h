#pragma once
// When the strip ticks while measured sound drives it: one tick owed for
// each 10 ms buffer, run as soon as it has been measured. Servers deliver
// late (PulseAudio: 10 ms plus its lateness apart) or in bunches (PipeWire),
// so the pacer keeps the count honest: ticks owed by a bunch are spread at
// least kTickSpacing apart, a gap in the sound is bridged by wall-time ticks,
// and the late buffers that then arrive repay those instead of adding ticks.
#include <chrono>

namespace snx {

// A monotonic time.
using TPacerTime = std::chrono::microseconds;

inline constexpr TPacerTime kTickPeriod{10000};
// No two ticks closer than this, however many are owed.
inline constexpr TPacerTime kTickSpacing{5000};
// Sound this late (after the last tick) counts as a gap: a wall-time tick runs.
inline constexpr TPacerTime kSoundGap{15000};
// Ticks owed or ticks ahead are counted up to this many: beyond, sound that
// was lost (or time the strip could not run) is forgotten rather than paid
// back in a long run of fast or missing falls.
inline constexpr int kMostOwed = 10;

class TMeterPacer {
 public:
  // No sound yet, the last tick at `last_tick`: wall-time ticks follow each
  // other kTickPeriod apart, as the timer's do, and owe nothing to the sound.
  void Restart(TPacerTime last_tick);
  // A buffer's worth of sound has been measured.
  void SoundMeasured();
  [[nodiscard]] bool TickDue(TPacerTime now) const { return now >= NextDue(); }
  // A tick ran at `now` (one that was due).
  void Ticked(TPacerTime now);
  // When the next tick falls due unless more sound arrives first.
  [[nodiscard]] TPacerTime NextDue() const;

 private:
  TPacerTime last_tick_{};
  // Ticks the sound is owed; negative while wall-time ticks ran ahead of it.
  int owed_ = 0;
  bool sounding_ = false;
  // A tick has run since the restart: the spacing counts from it.
  bool ticked_ = false;
};

}  // namespace snx
