#pragma once
// The attached monitors as the program sees and may use them.
#include <vector>

#include "framework/core/geometry.h"

namespace snx {

struct TMonitor {
  // The whole monitor, in screen coordinates.
  TRect bounds;
  // The part of it left once panels and taskbars have reserved theirs.
  TRect work_area;
};

// Each monitor's bounds and work area (the desktop without the taskbars,
// panels and docks that reserve space), in screen coordinates (the virtual
// screen's on Win32), the primary monitor's first. Each platform defines it
// (framework/<platform>/monitors.cpp).
std::vector<TMonitor> Monitors();

}  // namespace snx
