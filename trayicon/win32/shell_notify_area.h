#pragma once
// The tray's notification area on the Win32 shell: each of the core's
// requests becomes the shell record that the shell's version reads, and the
// shell's callback messages become the icons' events. It makes no system
// call itself (TShell does), so the unit tests run it natively.
#include <cstdint>
#include <map>
#include <mutex>

#include "framework/core/geometry.h"
#include "trayicon/core/tray_platform.h"
#include "trayicon/win32/file_version.h"
#include "trayicon/win32/notify_icon_data.h"

namespace snx {

class TShell {
 public:
  // Shell_NotifyIconA with kNimAdd, kNimModify or kNimDelete; true on success.
  virtual bool NotifyIcon(std::uint32_t message, const TNotifyIconDataV5A& data) = 0;
  // The calling thread's last error code, after a failed NotifyIcon.
  virtual std::uint32_t LastError() = 0;
  virtual void Sleep(std::uint32_t milliseconds) = 0;
  // The hidden window the shell sends the icons' notifications to, made on
  // first use as a child of `owner` when that is a form.
  virtual std::uint32_t CallbackWindow(TComponent* owner) = 0;
  // The cursor in screen coordinates.
  virtual TPoint CursorPos() = 0;

 protected:
  ~TShell() = default;
};

class TShellNotifyArea final : public TNotifyArea {
 public:
  TShellNotifyArea(TShell& shell, TShellFeatures features) : shell_(shell), features_(features) {}

  bool HidesInPlace() override { return features_.full_record; }
  void Connect(std::int32_t id, TComponent* owner, TTrayIconEvents& events) override;
  void Disconnect(std::int32_t id) override;
  // A busy shell may time out on an add that it still carries out: the add
  // waits, looks whether the icon arrived after all, and tries again a few times.
  bool Add(const TTrayIconView& view) override;
  bool Update(const TTrayIconView& view) override;
  bool SetShown(const TTrayIconView& view) override;
  void Remove(const TTrayIconView& view) override;
  bool ShowBalloon(const TTrayIconView& view, const TBalloonView& balloon) override;
  bool HideBalloon(const TTrayIconView& view) override;
  // The shell shows no menus of its own: a press over the icon reaches the
  // callback message, and the component opens its menu itself.
  void SetMenu(std::int32_t /*id*/, TPopupMenu* /*menu*/) override {}

  // The callback message: wParam names the icon, lParam what happened. An
  // identifier that names no icon is ignored.
  void CallbackMessage(std::uintptr_t id, std::intptr_t notification);
  // The shell announced a new taskbar: every icon hears of it, and the first
  // failure is raised once all have.
  void TaskbarCreated();

 private:
  struct TConnectedIcon {
    TComponent* owner;
    TTrayIconEvents* events;
    // The window its records name: the one it was last added with.
    std::uint32_t window = 0;
  };

  // The record that shows `view` with its tip.
  TNotifyIconDataV5A TipRecord(const TTrayIconView& view);
  // kNimModify with the tip record, which `fill` may change first.
  template <class Fill>
  bool Modify(const TTrayIconView& view, Fill fill);
  TTrayIconEvents* EventsOf(std::int32_t id);

  TShell& shell_;
  const TShellFeatures features_;
  // Also taken by an animation thread's Update.
  std::mutex lock_;
  std::map<std::int32_t, TConnectedIcon> icons_;
};

}  // namespace snx
