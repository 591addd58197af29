#include "tests/linux/trayicon/docked_windows.h"

#include <X11/Xlib.h>

#include <string>
#include <vector>

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

// The names below each window named "xfce4-panel" (the tray host's), found
// at any depth: a window manager puts the host in a frame of its own.
void DockedBelow(Display* display, Window window, std::vector<std::string>& docked) {
  char* name = nullptr;
  const bool panel = XFetchName(display, window, &name) != 0 && name != nullptr && std::string(name) == "xfce4-panel";
  if (name != nullptr) XFree(name);
  Window root = 0;
  Window parent = 0;
  Window* children = nullptr;
  unsigned count = 0;
  if (XQueryTree(display, window, &root, &parent, &children, &count) == 0) return;
  for (unsigned i = 0; i < count; ++i) {
    if (panel) {
      WindowNames(display, children[i], docked);
    } else {
      DockedBelow(display, children[i], docked);
    }
  }
  if (children != nullptr) XFree(children);
}

}  // namespace

std::vector<std::string> DockedNames() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return {};
  std::vector<std::string> docked;
  DockedBelow(display, DefaultRootWindow(display), docked);
  XCloseDisplay(display);
  return docked;
}

}  // namespace snx::testing
