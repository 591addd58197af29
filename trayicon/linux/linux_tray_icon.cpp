#include "trayicon/linux/linux_tray_icon.h"

#include <cstring>

#include "trayicon/linux/linux_tray.h"

namespace snx {

TLinuxTrayIcon::TLinuxTrayIcon(TLinuxTray& tray, std::uint32_t id, std::uint32_t window)
    : tray_(tray), id_(id), window_(window) {
  if (!tray_.bus_address_.empty()) {
    item_ = std::make_unique<TStatusNotifierItem>(tray_.bus_address_, id_, *this,
                                                  [this](bool hosted) { ItemHosted(hosted); });
  }
  // Until a host shows the item.
  ShowFallback();
}

TLinuxTrayIcon::~TLinuxTrayIcon() = default;

void TLinuxTrayIcon::Apply(const TNotifyIconDataV5A& data, const TTrayPicture* picture) {
  if ((data.uFlags & kNifTip) != 0) tip_.assign(data.szTip, strnlen(data.szTip, sizeof data.szTip));
  if ((data.uFlags & kNifIcon) != 0) picture_ = picture != nullptr ? *picture : TTrayPicture{};
  if ((data.uFlags & kNifState) != 0 && (data.dwStateMask & kNisHidden) != 0) {
    visible_ = (data.dwState & kNisHidden) == 0;
  }
  // Balloons have no place on this desktop; the rest of the record is shown.
  if (item_) {
    item_->SetTip(tip_);
    item_->SetPicture(picture_);
    item_->SetVisible(visible_);
  }
  if (fallback_) {
    fallback_->SetTip(tip_);
    fallback_->SetPicture(picture_);
    fallback_->SetVisible(visible_);
  }
}

TTrayPresence TLinuxTrayIcon::Presence() const {
  if (item_ && item_->Hosted()) return TTrayPresence::tpStatusNotifierItem;
  return fallback_ ? TTrayPresence::tpStatusIcon : TTrayPresence::tpNone;
}

void TLinuxTrayIcon::MouseMessage(std::intptr_t message, TPoint at) { tray_.Deliver(window_, id_, message, at); }

void TLinuxTrayIcon::ItemHosted(bool hosted) {
  if (hosted) {
    fallback_.reset();
  } else {
    ShowFallback();
  }
}

void TLinuxTrayIcon::ShowFallback() {
  if (fallback_) return;
  fallback_ = std::make_unique<TStatusIconFallback>(*this);
  fallback_->SetTip(tip_);
  fallback_->SetPicture(picture_);
  fallback_->SetVisible(visible_);
}

}  // namespace snx
