#pragma once
// The strip's pacing on GLib's main loop: its monotonic clock, and one
// source whose ready time is the wake-up asked for. Moving the wake-up
// only moves that time: nothing is made or freed per buffer.
#include <glib.h>

#include <functional>
#include <memory>

#include "main/core/tick_pacing.h"

namespace snx {

class TGlibTickPacing final : public TTickPacing {
 public:
  // On the thread-default main context of the thread that makes it.
  TGlibTickPacing();

  TPacerTime Now() override;
  void SetWoken(std::function<void()> woken) override { woken_ = std::move(woken); }
  void WakeAt(TPacerTime when) override;
  void CancelWake() override;

 private:
  struct TSourceDestroy {
    void operator()(GSource* source) const;
  };

  std::function<void()> woken_;
  std::unique_ptr<GSource, TSourceDestroy> source_;  // last, so that it goes first
};

}  // namespace snx
