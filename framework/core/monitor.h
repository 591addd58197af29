#pragma once
// An attached monitor as the program sees it.
#include "framework/core/geometry.h"

namespace snx {

struct TMonitor {
  // The whole monitor, in screen coordinates.
  TRect bounds;
  // The part of it left once panels and taskbars have reserved theirs.
  TRect work_area;
};

}  // namespace snx
