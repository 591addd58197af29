// Helpers for the native end-to-end tests:
//   xprobe menu X Y ITEM...   shows a GTK menu at X, Y until it closes: "-" a
//                             separator, "+caption" a checked item; captions
//                             carry GTK's own mnemonic marks
//   xprobe watch X Y MS       reads the screen's pixel at X, Y as often as the
//                             server answers, for MS milliseconds, and prints
//                             "ready", then each colour it shows (RRGGBB) with
//                             how long it showed in microseconds
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <gtk/gtk.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int Menu(int argc, char** argv) {
  gdk_set_allowed_backends("x11");
  gtk_init(nullptr, nullptr);
  GtkWidget* menu = gtk_menu_new();
  for (int i = 4; i < argc; ++i) {
    const std::string item = argv[i];
    GtkWidget* row = nullptr;
    if (item == "-") {
      row = gtk_separator_menu_item_new();
    } else if (item[0] == '+') {
      row = gtk_check_menu_item_new_with_mnemonic(item.c_str() + 1);
      gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(row), TRUE);
    } else {
      row = gtk_menu_item_new_with_mnemonic(item.c_str());
    }
    gtk_menu_shell_append(GTK_MENU_SHELL(menu), row);
  }
  gtk_widget_show_all(menu);
  g_signal_connect(menu, "deactivate", G_CALLBACK(gtk_main_quit), nullptr);
  const GdkRectangle at{std::atoi(argv[2]), std::atoi(argv[3]), 1, 1};
  gtk_menu_popup_at_rect(GTK_MENU(menu), gdk_get_default_root_window(), &at, GDK_GRAVITY_NORTH_WEST,
                         GDK_GRAVITY_NORTH_WEST, nullptr);
  // As a menu opened with the mouse: mnemonics stay hidden until Alt.
  gtk_window_set_mnemonics_visible(GTK_WINDOW(gtk_widget_get_toplevel(menu)), FALSE);
  gtk_main();
  return 0;
}

unsigned long PixelAt(Display* display, int x, int y) {
  XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, 1, 1, AllPlanes, ZPixmap);
  if (image == nullptr) return ~0UL;
  const unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
  XDestroyImage(image);
  return pixel;
}

int Watch(const char* x_text, const char* y_text, const char* ms_text) {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return 1;
  const int x = std::atoi(x_text);
  const int y = std::atoi(y_text);
  using Clock = std::chrono::steady_clock;
  const Clock::time_point end = Clock::now() + std::chrono::milliseconds(std::atoi(ms_text));
  unsigned long shown = PixelAt(display, x, y);
  Clock::time_point since = Clock::now();
  std::printf("ready\n");
  std::fflush(stdout);
  auto report = [&](Clock::time_point now) {
    const auto lasted = std::chrono::duration_cast<std::chrono::microseconds>(now - since).count();
    std::printf("%06lX %lld\n", shown, static_cast<long long>(lasted));
  };
  for (Clock::time_point now = since; now < end; now = Clock::now()) {
    const unsigned long pixel = PixelAt(display, x, y);
    if (pixel == shown) continue;
    report(now);
    shown = pixel;
    since = now;
  }
  report(Clock::now());
  XCloseDisplay(display);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && std::strcmp(argv[1], "menu") == 0) return Menu(argc, argv);
  if (argc == 5 && std::strcmp(argv[1], "watch") == 0) return Watch(argv[2], argv[3], argv[4]);
  std::fprintf(stderr, "usage: xprobe menu X Y ITEM... | xprobe watch X Y MS\n");
  return 2;
}
