#pragma once
// What a platform whose capture measures on the user-interface thread gives
// the strip so that the measured sound can drive its ticks: a monotonic
// clock and one wake-up, for the ticks the sound does not bring.
#include <functional>

#include "main/core/meter_pacer.h"

namespace snx {

class TTickPacing {
 public:
  virtual TPacerTime Now() = 0;
  // What runs, on the user-interface thread, at each wake-up; null for nothing.
  virtual void SetWoken(std::function<void()> woken) = 0;
  // One wake-up at `when` (at once if it has passed), in place of any asked before.
  virtual void WakeAt(TPacerTime when) = 0;
  virtual void CancelWake() = 0;

 protected:
  ~TTickPacing() = default;
};

}  // namespace snx
