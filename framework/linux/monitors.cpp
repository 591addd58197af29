#include "framework/linux/monitors.h"

#include <gdk/gdk.h>

namespace snx {

std::vector<TRect> MonitorWorkAreas() {
  std::vector<TRect> areas;
  GdkDisplay* display = gdk_display_get_default();
  const GdkMonitor* primary = gdk_display_get_primary_monitor(display);
  for (int i = 0; i < gdk_display_get_n_monitors(display); ++i) {
    GdkMonitor* monitor = gdk_display_get_monitor(display, i);
    GdkRectangle r;
    gdk_monitor_get_workarea(monitor, &r);
    const TRect area{r.x, r.y, r.x + r.width, r.y + r.height};
    if (monitor == primary) {
      areas.insert(areas.begin(), area);
    } else {
      areas.push_back(area);
    }
  }
  return areas;
}

}  // namespace snx
