#pragma once
// The timer's ticks on GTK: a source on the main loop that keeps its own
// schedule.
#include "framework/core/timer.h"
#include "framework/linux/handles.h"

namespace snx {

// When the tick after one that was due at `due` is due, asked at `now` (all
// in the same unit): one interval after `due`, so that a late tick delays
// none of the rest; when that time has passed too, the first time of the
// same schedule still to come, so that ticks missed altogether are skipped
// rather than bunched.
gint64 NextTickDue(gint64 due, gint64 now, gint64 interval);

class TGtkTimer final : public TTimer {
 public:
  explicit TGtkTimer(TComponent* owner) : TTimer(owner) {}

 protected:
  void StartTicks(std::uint32_t interval_ms) override;
  void StopTicks() override { source_.Reset(); }

 private:
  TSourceId source_;  // last, so that it goes first
};

}  // namespace snx
