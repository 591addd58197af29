#include "main/core/strip_position.h"

#include <algorithm>
#include <cstdint>

#include "main/core/main_settings.h"

namespace snx {

namespace {

// Stored coordinates may be anything an INI file holds: the far edges are
// computed wide so that they cannot overflow.
bool OnSomeMonitor(TPoint at, TSize size, const std::vector<TRect>& work_areas) {
  const std::int64_t left = at.x, top = at.y;
  const std::int64_t right = left + size.cx, bottom = top + size.cy;
  return std::any_of(work_areas.begin(), work_areas.end(), [&](const TRect& area) {
    return left < area.right && area.left < right && top < area.bottom && area.top < bottom;
  });
}

}  // namespace

TPoint OpeningPosition(TPoint stored, TSize size, const std::vector<TRect>& work_areas) {
  if (work_areas.empty() || OnSomeMonitor(stored, size, work_areas)) return stored;
  const MainSettings defaults;
  const TPoint fallback{defaults.left, defaults.top};
  if (OnSomeMonitor(fallback, size, work_areas)) return fallback;
  return {work_areas.front().left, work_areas.front().top};
}

}  // namespace snx
