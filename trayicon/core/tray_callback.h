#pragma once
// What the shell reports over the tray icons: the one component per process
// that turns the notifications for every icon into menus and events, and the
// thread that tells a single left click from the first half of a double click.
#include <cstdint>
#include <list>
#include <memory>
#include <thread>

#include "framework/core/component.h"
#include "framework/core/message.h"
#include "trayicon/core/tray_platform.h"

namespace snx {

class TPopupMenu;
class TTrayIcon;

class TSingleClick {
 public:
  // Starts at once: sleeps for the double-click time plus 50 ms, then hands
  // its end to the user-interface thread through `host`.
  TSingleClick(TTrayInput& input, TCallbackWindowHost& host);
  ~TSingleClick();
  TSingleClick(const TSingleClick&) = delete;
  TSingleClick& operator=(const TSingleClick&) = delete;

 private:
  void Execute(TTrayInput& input, TCallbackWindowHost& host);
  std::thread thread_;
};

// Not a window itself: the platform makes the hidden window that the shell
// sends to (TCallbackWindowHost), and that window hands this component the
// shell's callback messages, the ends of single-click waits and the news of a
// new taskbar.
class TCallbackWindow : public TComponent {
 public:
  TCallbackWindow(TComponent* owner, const TTrayPlatform& platform);
  ~TCallbackWindow() override;

  // The hidden window's handle, for the shell; the platform makes the window
  // on first use, as a child of the owner.
  std::uint32_t Handle();

  // The handler of the shell's callback message: WParam is the icon's
  // identifier, LParam the notification.
  void CallbackWndProc(TMessage& message);
  // The end of a single-click wait, on the user-interface thread.
  void OnClick(TObject* sender);
  // The platform's delivery of a single-click thread's end.
  void SingleClickEnded(TSingleClick* thread);
  // The shell announced a new taskbar: the icons it held are added again.
  void TaskbarCreated();

  // A tray icon that goes must not be reached by a wait that ends later.
  void Forget(TTrayIcon* tray_icon);

 private:
  TCallbackWindowHost& Host();
  void ButtonDown(TTrayIcon& icon, TPopupMenu* menu, TMouseButton button, TShiftMember member, TPoint pos);
  void PopupStep(TTrayIcon& icon, TPopupMenu& menu, TPoint pos);
  void ForegroundStep(const TTrayIcon& icon);
  void ClickStep(TTrayIcon& icon);

  TTrayPlatform platform_;
  TTrayIcon* FCurrentTrayIcon = nullptr;
  // Declared before the waits, so that they have ended when it goes.
  std::unique_ptr<TCallbackWindowHost> host_;
  std::list<std::unique_ptr<TSingleClick>> single_clicks_;
};

}  // namespace snx
