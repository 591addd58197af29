#pragma once
// The attached monitors as the program may use them.
#include <vector>

#include "framework/core/monitor.h"

namespace snx {

// Each monitor's bounds and work area (the desktop without taskbars and
// docked bars), in virtual-screen coordinates, the primary monitor's first.
std::vector<TMonitor> Monitors();

}  // namespace snx
