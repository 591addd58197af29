// What a tray icon makes of the notification area's reports: popup menus,
// mouse and balloon events, and single clicks told from double ones.
#include <algorithm>

#include "framework/core/application.h"
#include "framework/core/menu.h"
#include "trayicon/core/single_click.h"
#include "trayicon/core/tray_icon.h"

namespace snx {

namespace {

TShiftMember MemberOf(TMouseButton button) {
  switch (button) {
    case TMouseButton::mbLeft:
      return TShiftMember::ssLeft;
    case TMouseButton::mbRight:
      return TShiftMember::ssRight;
    case TMouseButton::mbMiddle:
      break;
  }
  return TShiftMember::ssMiddle;
}

}  // namespace

void TTrayIcon::PointerEvent(const TPointerEvent& event) {
  if (!enabled_) return;
  const TPoint at = event.at;
  switch (event.action) {
    case TPointerAction::paMove:
      if (OnMouseMove) OnMouseMove(this, TShiftState(), at.x, at.y);
      break;
    case TPointerAction::paPress:
      // Only the left and right buttons open menus.
      ButtonDown(event.button == TMouseButton::mbLeft    ? lb_popup_menu_
                 : event.button == TMouseButton::mbRight ? rb_popup_menu_
                                                         : nullptr,
                 event.button, at);
      break;
    case TPointerAction::paRelease:
      ForegroundStep();
      if (OnMouseUp) {
        OnMouseUp(this, event.button, TShiftState(MemberOf(event.button)), at.x, at.y);
      } else if (event.button == TMouseButton::mbLeft) {
        ClickStep();
      }
      break;
    case TPointerAction::paDoubleClick:
      // Only the left button's double click means anything.
      if (event.button != TMouseButton::mbLeft) break;
      click_pending_ = true;
      if (OnDblClick) OnDblClick(this);
      break;
  }
}

void TTrayIcon::BalloonEvent(TBalloonEvent event) {
  if (!enabled_) return;
  const TNotifyEvent* handler = nullptr;
  switch (event) {
    case TBalloonEvent::beShown:
      handler = &on_balloon_show_;
      break;
    case TBalloonEvent::beHidden:
      handler = &on_balloon_hide_;
      break;
    case TBalloonEvent::beTimedOut:
      handler = &on_balloon_timeout_;
      break;
    case TBalloonEvent::beClicked:
      handler = &on_balloon_click_;
      break;
  }
  if (*handler) (*handler)(this);
}

void TTrayIcon::AreaRestarted() {
  if (!icon_added_) return;
  // The announcement may come without a loss; an icon still held stays as it is.
  if (platform_.area.Update(View())) return;
  {
    std::lock_guard guard(view_lock_);
    icon_added_ = false;
  }
  SetTrayIcon(TTrayIconMode::tiAddIcon);
}

// A press opens the button's menu when one is linked and AutoPopup is on;
// otherwise it is an OnMouseDown.
void TTrayIcon::ButtonDown(TPopupMenu* menu, TMouseButton button, TPoint at) {
  if (menu != nullptr && auto_popup_) {
    PopupStep(*menu, at);
  } else if (OnMouseDown) {
    OnMouseDown(this, button, TShiftState(MemberOf(button)), at.x, at.y);
  }
}

void TTrayIcon::PopupStep(TPopupMenu& menu, TPoint at) {
  // One menu at a time. Requests that come while it is brought up (run by
  // the pump below) or open (run by its own loop) are dropped; otherwise each
  // would open its menu once the one before closed.
  if (popup_running_) return;
  popup_running_ = true;
  // Cleared through the weak handle, however the popup ends: a command of
  // the menu may end the icon.
  struct TPopupEnd {
    std::weak_ptr<TTrayIcon*> icon;
    ~TPopupEnd() {
      if (const std::shared_ptr<TTrayIcon*> alive = icon.lock(); alive && *alive) (*alive)->popup_running_ = false;
    }
  } const end{self_};
  // The menu's owner must be in front, or the menu does not close when the
  // user clicks elsewhere.
  if (platform_.forms.ForegroundForm(Owner())) ApplicationOf(Owner()).ProcessMessages();
  menu.Popup(at.x, at.y);
}

void TTrayIcon::ForegroundStep() {
  if (form_active_by_mouseup_) platform_.forms.ForegroundActiveForm();
}

void TTrayIcon::ClickStep() {
  if (OnClick && !click_pending_) {
    click_pending_ = true;
    single_clicks_.push_back(
        std::make_unique<TSingleClick>(platform_.input, [self = std::weak_ptr(self_)](TSingleClick* wait) {
          if (const std::shared_ptr<TTrayIcon*> icon = self.lock()) (*icon)->SingleClickEnded(wait);
        }));
  } else {
    // No handler, or the release that completes a double click withdraws
    // the pending click.
    click_pending_ = false;
  }
}

void TTrayIcon::SingleClickEnded(TSingleClick* wait) {
  const auto found = std::find_if(single_clicks_.begin(), single_clicks_.end(),
                                  [wait](const std::unique_ptr<TSingleClick>& w) { return w.get() == wait; });
  if (found == single_clicks_.end()) return;
  single_clicks_.erase(found);
  const bool raise = OnClick && click_pending_;
  // Cleared first, so that a click during the handler starts a wait of its own.
  click_pending_ = false;
  if (raise) OnClick(this);
}

}  // namespace snx
