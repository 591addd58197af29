#pragma once
// Where the strip opens. A stored place that leaves any of the strip on a
// monitor is kept exactly, so the user can still see it and drag it back. A
// place off every monitor (one that is no longer attached, a resolution that
// shrank) would lose the strip for good: it opens at the default place then.
#include <vector>

#include "framework/core/geometry.h"

namespace snx {

// `work_areas` are the monitors' work areas, the primary monitor's first.
// When the default place is off every monitor too, the strip opens at the
// primary work area's top-left; with no monitor known the stored place stands.
TPoint OpeningPosition(TPoint stored, TSize size, const std::vector<TRect>& work_areas);

}  // namespace snx
