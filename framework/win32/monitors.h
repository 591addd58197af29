#pragma once
// The attached monitors as the program may use them.
#include <vector>

#include "framework/core/geometry.h"

namespace snx {

// Each monitor's work area (the desktop without taskbars and docked bars),
// in virtual-screen coordinates, the primary monitor's first.
std::vector<TRect> MonitorWorkAreas();

}  // namespace snx
