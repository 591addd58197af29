#include "tests/linux/trayicon/docked_windows.h"

#include <X11/Xlib.h>

namespace snx::testing {

namespace {

// Names of `window` and the windows below it, depth first.
void WindowNames(Display* display, Window window, std::vector<std::string>& names) {
  char* name = nullptr;
  if (XFetchName(display, window, &name) != 0 && name != nullptr) {
    names.emplace_back(name);
    XFree(name);
  }
  Window root = 0;
  Window parent = 0;
  Window* children = nullptr;
  unsigned count = 0;
  if (XQueryTree(display, window, &root, &parent, &children, &count) == 0) return;
  for (unsigned i = 0; i < count; ++i) WindowNames(display, children[i], names);
  if (children != nullptr) XFree(children);
}

}  // namespace

std::vector<std::string> DockedNames() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return {};
  std::vector<std::string> docked;
  Window root = 0;
  Window parent = 0;
  Window* children = nullptr;
  unsigned count = 0;
  XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count);
  for (unsigned i = 0; i < count; ++i) {
    std::vector<std::string> names;
    WindowNames(display, children[i], names);
    if (!names.empty() && names.front() == "panel") docked.insert(docked.end(), names.begin() + 1, names.end());
  }
  if (children != nullptr) XFree(children);
  XCloseDisplay(display);
  return docked;
}

}  // namespace snx::testing
