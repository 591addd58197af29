#pragma once
// What an icon on the Linux desktop reports: the pointer over it.
#include "trayicon/core/tray_platform.h"

namespace snx {

class TTrayEvents {
 public:
  virtual void PointerEvent(const TPointerEvent& event) = 0;

 protected:
  ~TTrayEvents() = default;
};

}  // namespace snx
