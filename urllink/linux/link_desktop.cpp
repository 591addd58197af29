#include <gtk/gtk.h>

#include <string>

#include "framework/linux/hint_window.h"
#include "urllink/core/urllink.h"

namespace snx {

namespace {

class TLinuxLinkDesktop final : public TLinkDesktop {
 public:
  std::unique_ptr<THintWindow> CreateHintWindow() override { return std::make_unique<TGtkHintWindow>(); }

  TPoint CursorPos() override {
    GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
    int x = 0;
    int y = 0;
    gdk_device_get_position(gdk_seat_get_pointer(seat), nullptr, &x, &y);
    return {x, y};
  }

  // The desktop opens the target with the user's chosen program. It is
  // handed over as one argument, never through a shell, because it comes from
  // a description and may hold any character; the shell's other arguments
  // (operation, parameters, folder, show command) have no counterpart.
  void Execute(std::string_view, std::string_view file, std::string_view, std::string_view, int) override {
    std::string target(file);
    gchar* argv[] = {const_cast<gchar*>("xdg-open"), target.data(), nullptr};
    GError* error = nullptr;
    if (!g_spawn_async(nullptr, argv, nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr, &error)) {
      // As on Windows, a link that cannot be opened is not reported to the user.
      g_warning("xdg-open %s: %s", target.c_str(), error->message);
      g_error_free(error);
    }
  }
};

}  // namespace

TLinkDesktop& SystemLinkDesktop() {
  // Holds no state: every link shares it.
  static TLinuxLinkDesktop desktop;
  return desktop;
}

}  // namespace snx
