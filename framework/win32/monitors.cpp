#include <windows.h>

#include "framework/core/monitor.h"

namespace snx {

namespace {

TRect RectOf(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM param) {
  auto* monitors = reinterpret_cast<std::vector<TMonitor>*>(param);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(monitor, &info)) return TRUE;
  const TMonitor found{RectOf(info.rcMonitor), RectOf(info.rcWork)};
  if ((info.dwFlags & MONITORINFOF_PRIMARY) != 0) {
    monitors->insert(monitors->begin(), found);
  } else {
    monitors->push_back(found);
  }
  return TRUE;
}

}  // namespace

std::vector<TMonitor> Monitors() {
  std::vector<TMonitor> monitors;
  EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&monitors));
  return monitors;
}

}  // namespace snx
