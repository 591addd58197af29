#pragma once
// The tray icon on desktops without a StatusNotifierWatcher: a GtkStatusIcon,
// which docks in an XEmbed system tray. GTK 3 has deprecated it but still
// carries it, and it is the only way into such a tray.
#include <gtk/gtk.h>

#include <string>

#include "trayicon/linux/gobject_ptr.h"
#include "trayicon/linux/tray_events.h"
#include "trayicon/linux/tray_picture.h"

namespace snx {

class TStatusIconFallback {
 public:
  explicit TStatusIconFallback(TTrayEvents& events);
  ~TStatusIconFallback();
  TStatusIconFallback(const TStatusIconFallback&) = delete;
  TStatusIconFallback& operator=(const TStatusIconFallback&) = delete;

  // The tip is the tooltip and names the docked window.
  void SetTip(const std::string& tip);
  void SetPicture(const TTrayPicture& picture);
  void SetVisible(bool visible);

  GtkStatusIcon* StatusIcon() const { return icon_.get(); }

 private:
  static gboolean ButtonEvent(GtkStatusIcon* icon, GdkEventButton* event, gpointer self);

  TTrayEvents& events_;
  GObjectPtr<GtkStatusIcon> icon_;
};

}  // namespace snx
