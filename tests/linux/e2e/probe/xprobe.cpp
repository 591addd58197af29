// Helpers for the native end-to-end tests:
//   xprobe menu X Y ITEM...   shows a GTK menu at X, Y until it closes: "-" a
//                             separator, "+caption" a checked item; captions
//                             carry GTK's own mnemonic marks
//   xprobe watch X Y MS       reads the screen's pixel at X, Y as often as the
//                             server answers, for MS milliseconds, and prints
//                             "ready", then each colour it shows (RRGGBB) with
//                             how long it showed in microseconds
//   xprobe watcher [--host]   a StatusNotifierWatcher on the session bus, with
//                             a host registered or without; prints "ready",
//                             then "registered NAME" for each item. Reads
//                             commands, one a line: "host" and "no-host" (a
//                             host comes or goes), "menu X Y" (asks each item
//                             for its menu, as a host's right click does); ends
//                             at the end of its input
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <glib-unix.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>

#include "tests/linux/fake_watcher.h"

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
  const GdkRectangle at{std::stoi(argv[2]), std::stoi(argv[3]), 1, 1};
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
  const int x = std::stoi(x_text);
  const int y = std::stoi(y_text);
  using Clock = std::chrono::steady_clock;
  const Clock::time_point end = Clock::now() + std::chrono::milliseconds(std::stoi(ms_text));
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

// The watcher's commands, as they arrive on standard input.
struct TWatcherSession {
  snx::testing::FakeWatcher* watcher;
  GMainLoop* loop;
  std::string pending;
};

void Obey(TWatcherSession& session, const std::string& line) {
  std::istringstream words(line);
  std::string command;
  words >> command;
  if (command == "host" || command == "no-host") {
    session.watcher->SetHost(command == "host");
  } else if (command == "menu") {
    int x = 0;
    int y = 0;
    words >> x >> y;
    for (const std::string& item : session.watcher->Registered()) session.watcher->ContextMenu(item, x, y);
  }
  std::printf("done %s\n", line.c_str());
  std::fflush(stdout);
}

int Watcher(bool host) {
  const char* address = g_getenv("DBUS_SESSION_BUS_ADDRESS");
  if (address == nullptr) return 1;
  snx::GObjectPtr<GDBusConnection> connection(g_dbus_connection_new_for_address_sync(
      address,
      static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                        G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
      nullptr, nullptr, nullptr));
  if (!connection) return 1;
  GDBusConnection* bus = connection.get();
  snx::testing::FakeWatcher watcher(std::move(connection), snx::testing::WatcherAnswer::kAccept, host);
  watcher.during_register = [&watcher] {
    std::printf("registered %s\n", watcher.Registered().back().c_str());
    std::fflush(stdout);
  };
  // The bus handles one connection's requests in order: once it has
  // answered this, the name is the watcher's.
  snx::testing::PumpUntil([bus] {
    const snx::GVariantPtr owner(
        g_dbus_connection_call_sync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                    "NameHasOwner", g_variant_new("(s)", "org.kde.StatusNotifierWatcher"),
                                    G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr));
    gboolean owned = FALSE;
    if (owner) g_variant_get(owner.get(), "(b)", &owned);
    return owned != FALSE;
  });
  std::printf("ready\n");
  std::fflush(stdout);
  TWatcherSession session{&watcher, g_main_loop_new(nullptr, FALSE), {}};
  g_unix_fd_add(
      STDIN_FILENO, G_IO_IN,
      +[](gint fd, GIOCondition, gpointer data) -> gboolean {
        auto& s = *static_cast<TWatcherSession*>(data);
        char chunk[256];
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n <= 0) {
          g_main_loop_quit(s.loop);
          return G_SOURCE_REMOVE;
        }
        s.pending.append(chunk, static_cast<std::size_t>(n));
        for (std::size_t end = s.pending.find('\n'); end != std::string::npos; end = s.pending.find('\n')) {
          const std::string line = s.pending.substr(0, end);
          s.pending.erase(0, end + 1);
          Obey(s, line);
        }
        return G_SOURCE_CONTINUE;
      },
      &session);
  g_main_loop_run(session.loop);
  g_main_loop_unref(session.loop);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "watcher") == 0) {
    return Watcher(argc == 3 && std::strcmp(argv[2], "--host") == 0);
  }
  if (argc >= 4 && std::strcmp(argv[1], "menu") == 0) return Menu(argc, argv);
  if (argc == 5 && std::strcmp(argv[1], "watch") == 0) return Watch(argv[2], argv[3], argv[4]);
  std::fprintf(stderr, "usage: xprobe menu X Y ITEM... | xprobe watch X Y MS | xprobe watcher [--host]\n");
  return 2;
}
