#pragma once
// What an icon on the Linux desktop reports: mouse messages as the Win32
// shell sends them in the callback message's lParam, with the point.
#include <cstdint>

#include "framework/core/geometry.h"

namespace snx {

class TTrayEvents {
 public:
  virtual void MouseMessage(std::intptr_t message, TPoint at) = 0;

 protected:
  ~TTrayEvents() = default;
};

}  // namespace snx
