#pragma once
// One tray icon on the Linux desktop: shown by its StatusNotifierItem while
// a host shows that, and by a GtkStatusIcon otherwise, with the same tip,
// picture and visibility either way.
#include <cstdint>
#include <memory>
#include <string>

#include "trayicon/core/tray_platform.h"
#include "trayicon/linux/status_icon_fallback.h"
#include "trayicon/linux/status_notifier_item.h"
#include "trayicon/linux/tray_events.h"
#include "trayicon/linux/tray_picture.h"

namespace snx {

enum class TTrayPresence : std::uint8_t;

class TLinuxTrayIcon final : public TTrayEvents {
 public:
  // Shows `view` with `picture`, also as a StatusNotifierItem (with `menu`)
  // on the session bus with `as_item`; what happens over it goes to `events`.
  TLinuxTrayIcon(bool as_item, const TTrayIconView& view, TTrayPicture picture, TPopupMenu* menu,
                 TTrayIconEvents& events);
  ~TLinuxTrayIcon();
  TLinuxTrayIcon(const TLinuxTrayIcon&) = delete;
  TLinuxTrayIcon& operator=(const TLinuxTrayIcon&) = delete;

  void Show(const std::string& tip, const TTrayPicture& picture);
  void SetVisible(bool visible);
  // The menu that hosts drawing it themselves show; told again on every change.
  void SetMenu(TPopupMenu* menu);
  bool HasStatusNotifierItem() const { return item_ != nullptr; }
  TTrayPresence Presence() const;
  GtkStatusIcon* StatusIcon() const { return fallback_ ? fallback_->StatusIcon() : nullptr; }

  // What a handler raises goes to the application's error box, as from any
  // handler the main loop runs.
  void PointerEvent(const TPointerEvent& event) override;

 private:
  void ItemHosted(bool hosted);
  void ShowFallback();

  TTrayIconEvents& events_;
  std::string tip_;
  TTrayPicture picture_;
  bool visible_;
  std::unique_ptr<TStatusNotifierItem> item_;
  std::unique_ptr<TStatusIconFallback> fallback_;
};

}  // namespace snx
