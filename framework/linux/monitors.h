#pragma once
// The attached monitors as the program may use them.
#include <vector>

#include "framework/core/geometry.h"

namespace snx {

// Each monitor's work area (the desktop without panels and docks), in
// screen coordinates, the primary monitor's first.
std::vector<TRect> MonitorWorkAreas();

}  // namespace snx
