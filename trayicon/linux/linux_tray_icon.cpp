#include "trayicon/linux/linux_tray_icon.h"

#include <glib.h>

#include <exception>

#include "framework/core/application.h"
#include "trayicon/linux/linux_tray.h"

namespace snx {

namespace {

// The bus and GTK take UTF-8 only: a string that is not (a program may set
// any bytes as the tip) would abort the program when the host reads it, so
// what is not a character shows as the replacement character.
std::string ValidUtf8(const std::string& text) {
  gchar* valid = g_utf8_make_valid(text.c_str(), -1);
  std::string result(valid);
  g_free(valid);
  return result;
}

}  // namespace

TLinuxTrayIcon::TLinuxTrayIcon(bool as_item, const TTrayIconView& view, TTrayPicture picture, TPopupMenu* menu,
                               TTrayIconEvents& events)
    : events_(events), tip_(ValidUtf8(view.tip)), picture_(std::move(picture)), visible_(view.visible) {
  if (as_item) {
    item_ = std::make_unique<TStatusNotifierItem>(static_cast<std::uint32_t>(view.id), *this,
                                                  [this](bool hosted) { ItemHosted(hosted); });
    item_->SetTip(tip_);
    item_->SetPicture(picture_);
    item_->SetVisible(visible_);
    item_->SetMenu(menu);
  }
  // Until a host shows the item.
  ShowFallback();
}

TLinuxTrayIcon::~TLinuxTrayIcon() = default;

void TLinuxTrayIcon::Show(const std::string& tip, const TTrayPicture& picture) {
  tip_ = ValidUtf8(tip);
  picture_ = picture;
  if (item_) {
    item_->SetTip(tip_);
    item_->SetPicture(picture_);
  }
  if (fallback_) {
    fallback_->SetTip(tip_);
    fallback_->SetPicture(picture_);
  }
}

void TLinuxTrayIcon::SetMenu(TPopupMenu* menu) {
  if (item_) item_->SetMenu(menu);
}

void TLinuxTrayIcon::SetVisible(bool visible) {
  visible_ = visible;
  if (item_) item_->SetVisible(visible_);
  if (fallback_) fallback_->SetVisible(visible_);
}

TTrayPresence TLinuxTrayIcon::Presence() const {
  if (item_ && item_->Hosted()) return TTrayPresence::tpStatusNotifierItem;
  return fallback_ ? TTrayPresence::tpStatusIcon : TTrayPresence::tpNone;
}

void TLinuxTrayIcon::PointerEvent(const TPointerEvent& event) {
  try {
    events_.PointerEvent(event);
  } catch (...) {
    Application().HandleException(std::current_exception());
  }
}

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
