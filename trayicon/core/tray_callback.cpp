#include "trayicon/core/tray_callback.h"

#include <algorithm>
#include <exception>
#include <string>

#include "framework/core/application.h"
#include "framework/core/menu.h"
#include "trayicon/core/tray_icon.h"

namespace snx {

namespace {

void Raise(const TNotifyEvent& event, TTrayIcon& icon) {
  if (event) event(&icon);
}

void RaiseMouse(const TMouseEvent& event, TTrayIcon& icon, TMouseButton button, TShiftMember member, TPoint pos) {
  if (event) event(&icon, button, TShiftState(member), pos.x, pos.y);
}

}  // namespace

TSingleClick::TSingleClick(TTrayInput& input, TCallbackWindowHost& host)
    : thread_([this, &input, &host] { Execute(input, host); }) {}

TSingleClick::~TSingleClick() { thread_.join(); }

void TSingleClick::Execute(TTrayInput& input, TCallbackWindowHost& host) {
  input.Sleep(input.DoubleClickTime() + 50);
  host.PostSingleClickEnd(this);
}

TCallbackWindow::TCallbackWindow(TComponent* owner, const TTrayPlatform& platform)
    : TComponent(owner), platform_(platform) {}

TCallbackWindow::~TCallbackWindow() {
  if (CallbackWindow == this) CallbackWindow = nullptr;
  single_clicks_.clear();
}

TCallbackWindowHost& TCallbackWindow::Host() {
  if (!host_) host_ = platform_.area.CreateCallbackWindow(*this, Owner());
  return *host_;
}

std::uint32_t TCallbackWindow::Handle() { return Host().Handle(); }

void TCallbackWindow::Forget(TTrayIcon* tray_icon) {
  if (FCurrentTrayIcon == tray_icon) FCurrentTrayIcon = nullptr;
}

void TCallbackWindow::CallbackWndProc(TMessage& message) {
  const int index = TrayIconList.IndexOf(std::to_string(message.w_param));
  if (index < 0) return;
  TTrayIcon& icon = *TrayIconList.Objects(index);
  FCurrentTrayIcon = &icon;
  if (!icon.enabled_) return;
  const TPoint pos = platform_.input.CursorPos();
  switch (message.l_param) {
    case kMouseMove:
      if (icon.OnMouseMove) icon.OnMouseMove(&icon, TShiftState(), pos.x, pos.y);
      break;
    case kLButtonDown:
      ButtonDown(icon, icon.lb_popup_menu_, TMouseButton::mbLeft, TShiftMember::ssLeft, pos);
      break;
    case kLButtonUp:
      ForegroundStep(icon);
      if (icon.OnMouseUp) {
        RaiseMouse(icon.OnMouseUp, icon, TMouseButton::mbLeft, TShiftMember::ssLeft, pos);
      } else {
        ClickStep(icon);
      }
      break;
    case kLButtonDblClk:
      icon.FClickPending = true;
      Raise(icon.OnDblClick, icon);
      break;
    case kRButtonDown:
      ButtonDown(icon, icon.rb_popup_menu_, TMouseButton::mbRight, TShiftMember::ssRight, pos);
      break;
    case kRButtonUp:
      ForegroundStep(icon);
      RaiseMouse(icon.OnMouseUp, icon, TMouseButton::mbRight, TShiftMember::ssRight, pos);
      break;
    case kMButtonDown:
      RaiseMouse(icon.OnMouseDown, icon, TMouseButton::mbMiddle, TShiftMember::ssMiddle, pos);
      break;
    case kMButtonUp:
      ForegroundStep(icon);
      RaiseMouse(icon.OnMouseUp, icon, TMouseButton::mbMiddle, TShiftMember::ssMiddle, pos);
      break;
    case kBalloonShow:
      Raise(icon.on_balloon_show_, icon);
      break;
    case kBalloonHide:
      Raise(icon.on_balloon_hide_, icon);
      break;
    case kBalloonTimeout:
      Raise(icon.on_balloon_timeout_, icon);
      break;
    case kBalloonUserClick:
      Raise(icon.on_balloon_click_, icon);
      break;
    default:
      break;
  }
}

// A press opens the button's menu when one is linked and AutoPopup is on;
// otherwise it is an OnMouseDown.
void TCallbackWindow::ButtonDown(TTrayIcon& icon, TPopupMenu* menu, TMouseButton button, TShiftMember member,
                                 TPoint pos) {
  if (menu != nullptr && icon.auto_popup_) {
    PopupStep(icon, *menu, pos);
  } else {
    RaiseMouse(icon.OnMouseDown, icon, button, member, pos);
  }
}

void TCallbackWindow::PopupStep(TTrayIcon& icon, TPopupMenu& menu, TPoint pos) {
  // The menu's owner must be in front, or the menu does not close when the
  // user clicks elsewhere.
  if (platform_.forms.ForegroundForm(icon.Owner())) ApplicationOf(icon.Owner()).ProcessMessages();
  menu.Popup(pos.x, pos.y);
}

void TCallbackWindow::ForegroundStep(const TTrayIcon& icon) {
  if (icon.form_active_by_mouseup_) platform_.forms.ForegroundActiveForm();
}

void TCallbackWindow::ClickStep(TTrayIcon& icon) {
  if (icon.OnClick && !icon.FClickPending) {
    icon.FClickPending = true;
    single_clicks_.push_back(std::make_unique<TSingleClick>(platform_.input, Host()));
  } else {
    // No handler, or the release that completes a double click withdraws
    // the pending click.
    icon.FClickPending = false;
  }
}

void TCallbackWindow::SingleClickEnded(TSingleClick* thread) {
  auto found = std::find_if(single_clicks_.begin(), single_clicks_.end(),
                            [thread](const std::unique_ptr<TSingleClick>& t) { return t.get() == thread; });
  if (found == single_clicks_.end()) return;
  single_clicks_.erase(found);
  OnClick(this);
}

void TCallbackWindow::OnClick(TObject* /*sender*/) {
  TTrayIcon* icon = FCurrentTrayIcon;
  if (icon == nullptr) return;
  const bool raise = icon->OnClick && icon->FClickPending;
  // Cleared first, so that a click during the handler starts a wait of its own.
  icon->FClickPending = false;
  if (raise) icon->OnClick(icon);
}

void TCallbackWindow::TaskbarCreated() {
  // Every icon gets its chance; the first failure is reported afterwards.
  std::exception_ptr failure;
  for (int i = 0; i < TrayIconList.Count(); ++i) {
    TTrayIcon* icon = TrayIconList.Objects(i);
    if (!icon->FIconAdded) continue;
    try {
      icon->ShellRestarted();
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
  }
  if (failure) std::rethrow_exception(failure);
}

}  // namespace snx
