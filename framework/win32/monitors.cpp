#include "framework/win32/monitors.h"
#include <windows.h>

namespace snx {

namespace {

BOOL CALLBACK CollectWorkArea(HMONITOR monitor, HDC, LPRECT, LPARAM param) {
  auto* areas = reinterpret_cast<std::vector<TRect>*>(param);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(monitor, &info)) return TRUE;
  const TRect area{info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
  if ((info.dwFlags & MONITORINFOF_PRIMARY) != 0) {
    areas->insert(areas->begin(), area);
  } else {
    areas->push_back(area);
  }
  return TRUE;
}

}  // namespace

std::vector<TRect> MonitorWorkAreas() {
  std::vector<TRect> areas;
  EnumDisplayMonitors(nullptr, nullptr, CollectWorkArea, reinterpret_cast<LPARAM>(&areas));
  return areas;
}

}  // namespace snx
