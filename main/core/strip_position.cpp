#include "main/core/strip_position.h"

#include <algorithm>
#include <cstdint>

#include "main/core/main_settings.h"

namespace snx {

namespace {

// Stored coordinates may be anything an INI file holds: the far edges are
// computed wide so that they cannot overflow.
bool OnSomeMonitor(TPoint at, TSize size, const std::vector<TMonitor>& monitors) {
  const std::int64_t left = at.x, top = at.y;
  const std::int64_t right = left + size.cx, bottom = top + size.cy;
  return std::any_of(monitors.begin(), monitors.end(), [&](const TMonitor& monitor) {
    const TRect& area = monitor.bounds;
    return left < area.right && area.left < right && top < area.bottom && area.top < bottom;
  });
}

}  // namespace

TPoint OpeningPosition(TPoint stored, TSize size, const std::vector<TMonitor>& monitors) {
  if (monitors.empty() || OnSomeMonitor(stored, size, monitors)) return stored;
  const MainSettings defaults;
  const TPoint fallback{defaults.left, defaults.top};
  if (OnSomeMonitor(fallback, size, monitors)) return fallback;
  const TRect& work_area = monitors.front().work_area;
  return {work_area.left, work_area.top};
}

}  // namespace snx
