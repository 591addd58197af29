#include "framework/linux/session_end.h"

#include <gdk/gdkx.h>
#include <glib-unix.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>

namespace snx {

namespace {

guint WatchSignal(int signal_number, std::function<void()>* handler) {
  return g_unix_signal_add(
      signal_number,
      +[](gpointer data) -> gboolean {
        (*static_cast<std::function<void()>*>(data))();
        return G_SOURCE_CONTINUE;
      },
      handler);
}

// GDK's own handler ends the process at once; Xlib calls the exit handler
// after this one returns.
int IgnoreIOError(Display* /*display*/) { return 0; }

void EndAfterDisplayLoss(Display* display, void* display_lost) {
  std::fprintf(stderr, "sonalix: lost the connection to the X display %s\n", DisplayString(display));
  (*static_cast<std::function<void()>*>(display_lost))();
  std::fflush(nullptr);
  // Not exit(): the toolkit's own clean-up would talk to the server again.
  _exit(1);
}

}  // namespace

TSessionEnd::TSessionEnd(std::function<void()> close_request, std::function<void()> display_lost)
    : close_request_(std::move(close_request)),
      display_lost_(std::move(display_lost)),
      term_(WatchSignal(SIGTERM, &close_request_)),
      interrupt_(WatchSignal(SIGINT, &close_request_)),
      hang_up_(WatchSignal(SIGHUP, &close_request_)) {
  XSetIOErrorHandler(IgnoreIOError);
  XSetIOErrorExitHandler(GDK_DISPLAY_XDISPLAY(gdk_display_get_default()), EndAfterDisplayLoss, &display_lost_);
}

}  // namespace snx
