#pragma once
// X errors that other programs cause. A window that another program owns or
// embeds ours in (the tray's socket, a panel, a window manager's frame) can
// be destroyed at any moment, and the requests that GTK has already sent
// about it, or about our window inside it, then fail. GDK ends the process
// on any error that no trap of its own covers, and the strip would go
// without saving its place. One trap held for the application's life takes
// those errors; GDK's own traps, pushed inside it, still get theirs.
#include <gdk/gdk.h>

namespace snx {

class TForeignWindowErrors {
 public:
  explicit TForeignWindowErrors(GdkDisplay* display);
  ~TForeignWindowErrors();
  TForeignWindowErrors(const TForeignWindowErrors&) = delete;
  TForeignWindowErrors& operator=(const TForeignWindowErrors&) = delete;

 private:
  GdkDisplay* display_;
};

}  // namespace snx
