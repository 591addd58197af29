#pragma once
// Where the strip opens. A stored place that leaves any pixel of the strip on
// a monitor is kept exactly, even over a panel or taskbar, where a small meter
// is naturally parked: the user can see it there and drag it away. A place off
// every monitor (one that is no longer attached, a resolution that shrank)
// would lose the strip for good: it opens at the default place then.
#include <vector>

#include "framework/core/monitor.h"

namespace snx {

// `monitors` lists the primary monitor first. When the default place is off
// every monitor too, the strip opens at the primary work area's top-left;
// with no monitor known the stored place stands.
TPoint OpeningPosition(TPoint stored, TSize size, const std::vector<TMonitor>& monitors);

}  // namespace snx
