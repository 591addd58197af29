#include "framework/linux/hint_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/linux/framework/gtk_fixture.h"

// Xlib last: its macros (None, Bool) break headers that come after it.
#include <X11/Xutil.h>
#include <gdk/gdkx.h>

namespace snx {
namespace {

// Pixels of the window's top-left 60 x 20, as 0xRRGGBB.
std::vector<unsigned long> Pixels(Display* display, Window window) {
  std::vector<unsigned long> pixels;
  XImage* image = XGetImage(display, window, 0, 0, 60, 20, AllPlanes, ZPixmap);
  if (image == nullptr) return pixels;
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 60; ++x) pixels.push_back(XGetPixel(image, x, y) & 0xFFFFFF);
  }
  XDestroyImage(image);
  return pixels;
}

TEST(HintWindowTest, ShowsItsTextOnItsColourAtItsBoundsOutsideTheWindowManagersCare) {
  TestApplication();
  TGtkHintWindow hint;
  hint.Font().SetColor(clBlack);
  hint.Font().SetHeight(-12);
  hint.SetBounds(400, 300, 60, 20);
  hint.ShowNoActivate();
  hint.ShowText(2, 2, "http");
  GdkWindow* gdk_window = gtk_widget_get_window(hint.Handle());
  Display* display = GDK_WINDOW_XDISPLAY(gdk_window);
  const Window window = GDK_WINDOW_XID(gdk_window);

  auto painted = [&] {
    const std::vector<unsigned long> pixels = Pixels(display, window);
    return !pixels.empty() && pixels.back() == 0xFFFFE1 &&
           std::ranges::count_if(pixels, [](unsigned long p) { return (p & 0xFF) < 0x40; }) > 10;
  };
  EXPECT_TRUE(LoopUntil(painted));

  XWindowAttributes attributes;
  XGetWindowAttributes(display, window, &attributes);
  EXPECT_TRUE(attributes.override_redirect);
  EXPECT_EQ(attributes.width, 60);
  EXPECT_EQ(attributes.height, 20);
  int x = 0, y = 0;
  Window child = 0;
  XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
  EXPECT_EQ(x, 400);
  EXPECT_EQ(y, 300);
  EXPECT_FALSE(gtk_window_get_accept_focus(GTK_WINDOW(hint.Handle())));
}

}  // namespace
}  // namespace snx
