#pragma once
// One tray icon on the Linux desktop: shown by its StatusNotifierItem while
// a host shows that, and by a GtkStatusIcon otherwise, with the same tip,
// picture and visibility either way.
#include <cstdint>
#include <memory>
#include <string>

#include "trayicon/core/notify_icon_data.h"
#include "trayicon/linux/status_icon_fallback.h"
#include "trayicon/linux/status_notifier_item.h"
#include "trayicon/linux/tray_events.h"
#include "trayicon/linux/tray_picture.h"

namespace snx {

class TLinuxTray;
enum class TTrayPresence : std::uint8_t;

class TLinuxTrayIcon final : public TTrayEvents {
 public:
  // `window` is the callback window the icon reports to.
  TLinuxTrayIcon(TLinuxTray& tray, std::uint32_t id, std::uint32_t window);
  ~TLinuxTrayIcon();
  TLinuxTrayIcon(const TLinuxTrayIcon&) = delete;
  TLinuxTrayIcon& operator=(const TLinuxTrayIcon&) = delete;

  // The record's fields that its flags name; `picture` is that of its icon handle.
  void Apply(const TNotifyIconDataV5A& data, const TTrayPicture* picture);
  TTrayPresence Presence() const;
  GtkStatusIcon* StatusIcon() const { return fallback_ ? fallback_->StatusIcon() : nullptr; }

  void MouseMessage(std::intptr_t message, TPoint at) override;

 private:
  void ItemHosted(bool hosted);
  void ShowFallback();

  TLinuxTray& tray_;
  std::uint32_t id_;
  std::uint32_t window_;
  std::string tip_;
  TTrayPicture picture_;
  bool visible_ = true;
  std::unique_ptr<TStatusNotifierItem> item_;
  std::unique_ptr<TStatusIconFallback> fallback_;
};

}  // namespace snx
