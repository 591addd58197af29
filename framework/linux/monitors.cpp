#include <gdk/gdk.h>

#include "framework/core/monitor.h"

namespace snx {

namespace {

TRect RectOf(const GdkRectangle& r) { return {r.x, r.y, r.x + r.width, r.y + r.height}; }

}  // namespace

std::vector<TMonitor> Monitors() {
  std::vector<TMonitor> monitors;
  GdkDisplay* display = gdk_display_get_default();
  const GdkMonitor* primary = gdk_display_get_primary_monitor(display);
  for (int i = 0; i < gdk_display_get_n_monitors(display); ++i) {
    GdkMonitor* monitor = gdk_display_get_monitor(display, i);
    GdkRectangle bounds;
    GdkRectangle work_area;
    gdk_monitor_get_geometry(monitor, &bounds);
    gdk_monitor_get_workarea(monitor, &work_area);
    const TMonitor found{RectOf(bounds), RectOf(work_area)};
    if (monitor == primary) {
      monitors.insert(monitors.begin(), found);
    } else {
      monitors.push_back(found);
    }
  }
  return monitors;
}

}  // namespace snx
