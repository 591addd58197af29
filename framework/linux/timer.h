#pragma once
// The timer's ticks on GTK: a source on the main loop that keeps its own
// schedule.
#include "framework/core/timer.h"
#include "framework/linux/handles.h"

namespace snx {

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
