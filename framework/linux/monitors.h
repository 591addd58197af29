#pragma once
// The attached monitors as the program may use them.
#include <vector>

#include "framework/core/monitor.h"

namespace snx {

// Each monitor's bounds and work area (the desktop without the panels and
// docks that reserve space), in screen coordinates, the primary monitor's first.
std::vector<TMonitor> Monitors();

}  // namespace snx
