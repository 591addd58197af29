#pragma once
// TTrayIcon: one icon in the notification area per instance, with its tip,
// popup menus, mouse and balloon events, balloon tips and icon animation.
#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

#include "framework/core/component.h"
#include "framework/core/events.h"
#include "framework/core/menu.h"
#include "framework/core/object.h"
#include "trayicon/core/icon.h"
#include "trayicon/core/tray_platform.h"

namespace snx {

class TSingleClick;
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

class ENotifyIconError : public Exception {
 public:
  using Exception::Exception;
};

inline constexpr std::string_view kCannotRegisterIcon = "タスクトレイにアイコンを登録できません。";
inline constexpr std::string_view kCannotSwitchBalloon =
    "タスクトレイアイコンのバルーンメッセージ表示が切り替えられません。";
inline constexpr std::string_view kCannotSwitchIcon = "タスクトレイアイコンの表示が切り替えられません。";

// Its own published interface, and privately the receiver of what the
// notification area reports about its icon and of the changes of its
// right-button menu.
class TTrayIcon : public TComponent, private TTrayIconEvents, private TMenuObserver {
 public:
  TTrayIcon(TComponent* owner, const TTrayPlatform& platform);
  ~TTrayIcon() override;  // NOLINT(bugprone-exception-escape): see the definition

  // Published properties.
  TImageList* AnimateIcons() const { return animate_icons_; }
  void SetAnimateIcons(TImageList* value);
  std::int32_t AnimateRate() const { return animate_rate_; }
  void SetAnimateRate(std::int32_t value);
  bool AutoPopup() const { return auto_popup_; }
  void SetAutoPopup(bool value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  TIcon& Icon() const { return *icon_; }
  void SetIcon(const TIcon* value);
  TPopupMenu* LBPopupMenu() const { return lb_popup_menu_; }
  void SetLBPopupMenu(TPopupMenu* value);
  TPopupMenu* RBPopupMenu() const { return rb_popup_menu_; }
  void SetRBPopupMenu(TPopupMenu* value);
  // Texts are in the notification area's encoding, cut to whole characters.
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

  // The icon's identifier in the notification area: 1 or more.
  std::int32_t IconID() const { return icon_id_; }
  // The area holds this icon (added and not removed since).
  bool IconAdded() const { return icon_added_; }
  bool Animating() const { return animating_; }
  // The animation thread, once the first AnimatePlay has created it.
  TTrayIconAnimate* AnimateThread() const { return animate_thread_.get(); }

  // Performs one operation of the notification area on this instance's icon.
  void SetTrayIcon(TTrayIconMode mode);
  // The icon to show when no animation runs: the own icon, else the owner
  // form's, else the application's; 0 when there is none.
  TIconHandle GetIconHandle();
  // Brings the area's copy of the picture and tip up to date.
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
  friend class TTrayIconAnimate;

  // What the notification area reports (tray_icon_events.cpp).
  void PointerEvent(const TPointerEvent& event) override;
  void BalloonEvent(TBalloonEvent event) override;
  void AreaRestarted() override;
  void ButtonDown(TPopupMenu* menu, TMouseButton button, TPoint at);
  // The menu that a press of the right button opens, which hosts that draw
  // menus themselves show: none while the icon is disabled or opens no menus.
  TPopupMenu* HostMenu() const;
  // Tells the area the host's menu, or that its items changed.
  void OfferMenu();
  void MenuChanged(TPopupMenu& menu) override;
  void PopupStep(TPopupMenu& menu, TPoint at);
  void ForegroundStep();
  void ClickStep();
  // The end of a single-click wait, on the user-interface thread.
  void SingleClickEnded(TSingleClick* wait);

  bool OwnerLoading() const;
  // The icon as the area should show it, with `picture` or the one to show
  // now; the view lock is held.
  TTrayIconView ViewWith(TIconHandle picture) const;
  TTrayIconView ViewLocked();
  TTrayIconView View();
  void AddIcon();
  void RemoveIcon();
  // Ends a running animation and waits until its thread has parked.
  void StopAnimation();

  TTrayPlatform platform_;
  // Clears as the icon goes: what the user-interface thread runs for this
  // icon after that finds no icon.
  std::shared_ptr<TTrayIcon*> self_;

  bool animating_ = false;
  TImageList* animate_icons_ = nullptr;
  TAnimateMode animate_mode_ = TAnimateMode::amAutomatic;
  std::atomic<std::int32_t> animate_rate_ = 500;
  bool auto_popup_ = true;
  // A menu of the icon is being brought up or is open.
  bool popup_running_ = false;
  bool enabled_ = true;
  std::unique_ptr<TIcon> icon_;
  TPopupMenu* lb_popup_menu_ = nullptr;
  TPopupMenu* rb_popup_menu_ = nullptr;
  std::string tip_help_ = "TipHelp";
  bool visible_ = false;
  std::unique_ptr<TTrayIconAnimate> animate_thread_;
  std::int32_t icon_id_ = 0;
  bool icon_added_ = false;
  // Serialises what the animation thread reads to make its view (the tip,
  // visibility, whether the icon is added, the frame) with the
  // user-interface thread's changes. Never held across a call to the area.
  std::mutex view_lock_;
  bool click_pending_ = false;
  bool state_read_ = false;
  // Hiding keeps the icon in the area.
  bool hides_in_place_;
  std::string balloon_title_;
  std::string balloon_text_;
  TBalloonTimeout balloon_timeout_ = 10;
  TBalloonInfoIconFlag balloon_icon_ = TBalloonInfoIconFlag::biifNone;
  TNotifyEvent on_balloon_hide_;
  TNotifyEvent on_balloon_timeout_;
  TNotifyEvent on_balloon_click_;
  TNotifyEvent on_balloon_show_;
  bool form_active_by_mouseup_ = false;
  // Waits for a second click; each ends on its own, or with the icon.
  std::list<std::unique_ptr<TSingleClick>> single_clicks_;
};

}  // namespace snx
