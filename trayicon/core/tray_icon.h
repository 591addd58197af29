#pragma once
// TTrayIcon: one icon in the notification area per instance, with its tip,
// popup menus, mouse and balloon events, balloon tips and icon animation.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/core/component.h"
#include "framework/core/events.h"
#include "framework/core/menu.h"
#include "framework/core/object.h"
#include "trayicon/core/icon.h"
#include "trayicon/core/notify_icon_data.h"
#include "trayicon/core/tray_platform.h"

namespace snx {

class TCallbackWindow;
class TTrayIcon;
class TTrayIconAnimate;

enum class TTrayIconMode : std::uint8_t {
  tiAddIcon,
  tiModifyIcon,
  tiDeleteIcon,
  tiShowBalloon,
  tiHideBalloon,
  tiShowIcon,
  tiHideIcon
};
enum class TAnimateMode : std::uint8_t { amAutomatic, amManual };
// The ordinal goes unchanged into the record's dwInfoFlags.
enum class TBalloonInfoIconFlag : std::uint8_t { biifNone, biifInfo, biifWarning, biifError };
// Whole seconds; 10 to 60 for the property.
using TBalloonTimeout = std::uint8_t;

class ENotifyIconError : public Exception {
 public:
  using Exception::Exception;
};

inline constexpr std::string_view kCannotRegisterIcon = "タスクトレイにアイコンを登録できません。";
inline constexpr std::string_view kCannotSwitchBalloon =
    "タスクトレイアイコンのバルーンメッセージ表示が切り替えられません。";
inline constexpr std::string_view kCannotSwitchIcon = "タスクトレイアイコンの表示が切り替えられません。";

// The live instances of the process by identifier, in ascending order.
class TTrayIconList {
 public:
  static constexpr int kCapacity = 100;

  int Count() const { return static_cast<int>(items_.size()); }
  const std::string& Strings(int index) const { return items_.at(static_cast<std::size_t>(index)).first; }
  TTrayIcon* Objects(int index) const { return items_.at(static_cast<std::size_t>(index)).second; }
  int IndexOf(std::string_view text) const;
  void Add(std::string text, TTrayIcon* icon) { items_.emplace_back(std::move(text), icon); }
  void Delete(int index) { items_.erase(items_.begin() + index); }

 private:
  std::vector<std::pair<std::string, TTrayIcon*>> items_;
};

extern TTrayIconList TrayIconList;
// The one component that handles the shell's notifications, through the
// platform's hidden window; it belongs to the owner of the instance that
// created it and clears this when it goes.
extern TCallbackWindow* CallbackWindow;

class TTrayIcon : public TComponent {
 public:
  TTrayIcon(TComponent* owner, const TTrayPlatform& platform);
  ~TTrayIcon() override;  // NOLINT(bugprone-exception-escape): see the definition

  // Published properties.
  TImageList* AnimateIcons() const { return animate_icons_; }
  void SetAnimateIcons(TImageList* value);
  std::int32_t AnimateRate() const { return animate_rate_; }
  void SetAnimateRate(std::int32_t value);
  bool AutoPopup() const { return auto_popup_; }
  void SetAutoPopup(bool value) { auto_popup_ = value; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  TIcon& Icon() const { return *icon_; }
  void SetIcon(const TIcon* value);
  TPopupMenu* LBPopupMenu() const { return lb_popup_menu_; }
  void SetLBPopupMenu(TPopupMenu* value);
  TPopupMenu* RBPopupMenu() const { return rb_popup_menu_; }
  void SetRBPopupMenu(TPopupMenu* value);
  // Texts are single-byte strings in the system code page, cut by bytes.
  const std::string& TipHelp() const { return tip_help_; }
  void SetTipHelp(std::string_view value);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  const std::string& BalloonTitle() const { return balloon_title_; }
  void SetBalloonTitle(std::string_view value);
  const std::string& BalloonText() const { return balloon_text_; }
  void SetBalloonText(std::string_view value);
  TBalloonInfoIconFlag BalloonIcon() const { return balloon_icon_; }
  void SetBalloonIcon(TBalloonInfoIconFlag value) { balloon_icon_ = value; }
  TBalloonTimeout BalloonTimeout() const { return balloon_timeout_; }
  void SetBalloonTimeout(TBalloonTimeout value) { balloon_timeout_ = value; }
  bool FormActiveByMouseup() const { return form_active_by_mouseup_; }
  void SetFormActiveByMouseup(bool value) { form_active_by_mouseup_ = value; }

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  const TNotifyEvent& OnBalloonShow() const { return on_balloon_show_; }
  void SetOnBalloonShow(TNotifyEvent value) { on_balloon_show_ = std::move(value); }
  const TNotifyEvent& OnBalloonHide() const { return on_balloon_hide_; }
  void SetOnBalloonHide(TNotifyEvent value) { on_balloon_hide_ = std::move(value); }
  const TNotifyEvent& OnBalloonTimeout() const { return on_balloon_timeout_; }
  void SetOnBalloonTimeout(TNotifyEvent value) { on_balloon_timeout_ = std::move(value); }
  const TNotifyEvent& OnBalloonClick() const { return on_balloon_click_; }
  void SetOnBalloonClick(TNotifyEvent value) { on_balloon_click_ = std::move(value); }

  // The icon's identifier in the shell record: 1 or more.
  std::int32_t IconID() const { return FIconID; }
  // The shell holds this icon (added and not deleted since).
  bool IconAdded() const { return FIconAdded; }
  bool Animating() const { return FAnimating; }
  // The animation thread, once the first AnimatePlay has created it.
  TTrayIconAnimate* AnimateThread() const { return FAnimateThread.get(); }

  // Performs one shell operation on this instance's icon.
  void SetTrayIcon(TTrayIconMode mode);
  // The icon to show when no animation runs: the own icon, else the owner
  // form's, else the application's; 0 when there is none.
  TIconHandle GetIconHandle();
  // Brings the shell's copy of the picture and tip up to date.
  void IconChange(TObject* sender);

  void ShowBalloon();
  void ShowBalloon(TBalloonInfoIconFlag icon);
  void ShowBalloon(TBalloonInfoIconFlag icon, std::string_view title);
  void ShowBalloon(TBalloonInfoIconFlag icon, std::string_view title, std::string_view text);
  void ShowBalloon(TBalloonInfoIconFlag icon, std::string_view title, std::string_view text, TBalloonTimeout timeout);
  void HideBalloon();

  void AnimatePlay(TAnimateMode mode);
  void AnimateStep();
  void AnimateStop();
  void AnimeteModeChange();

  void ReadState(TReader& reader) override;
  void Loaded() override;
  bool ReadProperty(std::string_view name, const PropertyValue& value, TReader& reader) override;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TCallbackWindow;
  friend class TTrayIconAnimate;

  bool OwnerLoading() const;
  // Fill the record for `mode`, or its tip and flags; the record lock is held.
  void PrepareRecord(TTrayIconMode mode);
  void FillTip();
  // The record filled for `mode`, copied under the record lock. The shell is
  // called on such a copy without the lock: while a call waits, the shell's
  // notifications reach handlers that may change this icon again.
  TNotifyIconDataV5A RecordFor(TTrayIconMode mode);
  void AddIcon();
  void ModifyOrRaise(const TNotifyIconDataV5A& record, std::string_view message);
  // Ends a running animation and waits until its thread has parked.
  void StopAnimation();
  // The shell lost its icons: an icon it held is added again.
  void ShellRestarted();

  TTrayPlatform platform_;

  bool FAnimating = false;
  TImageList* animate_icons_ = nullptr;
  TAnimateMode FAnimateMode = TAnimateMode::amAutomatic;
  std::atomic<std::int32_t> animate_rate_ = 500;
  bool auto_popup_ = true;
  bool enabled_ = true;
  std::unique_ptr<TIcon> icon_;
  TPopupMenu* lb_popup_menu_ = nullptr;
  TPopupMenu* rb_popup_menu_ = nullptr;
  std::string tip_help_ = "TipHelp";
  bool visible_ = false;
  std::unique_ptr<TTrayIconAnimate> FAnimateThread;
  std::int32_t FIconID = 0;
  bool FIconAdded = false;
  std::unique_ptr<TNotifyIconDataV5A> FIconData;
  // Serialises the record, and the fields the animation thread reads with
  // it (TipHelp, FIconAdded), between the user-interface and animation
  // threads. Never held across a shell call.
  std::mutex record_lock_;
  bool FClickPending = false;
  bool FStateRead = false;
  // What the notification area understands of the record.
  TNotifyAreaFeatures features_;
  std::string balloon_title_;
  std::string balloon_text_;
  TBalloonTimeout balloon_timeout_ = 10;
  TBalloonInfoIconFlag balloon_icon_ = TBalloonInfoIconFlag::biifNone;
  TNotifyEvent on_balloon_hide_;
  TNotifyEvent on_balloon_timeout_;
  TNotifyEvent on_balloon_click_;
  TNotifyEvent on_balloon_show_;
  bool form_active_by_mouseup_ = false;
};

}  // namespace snx
