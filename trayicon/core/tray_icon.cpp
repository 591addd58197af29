#include "trayicon/core/tray_icon.h"

#include <algorithm>
#include <cstring>

#include "framework/core/form_description.h"
#include "framework/core/reader.h"
#include "trayicon/core/tray_callback.h"
#include "trayicon/core/tray_icon_animate.h"

namespace snx {

TTrayIconList TrayIconList;
TCallbackWindow* CallbackWindow = nullptr;

int TTrayIconList::IndexOf(std::string_view text) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].first == text) return static_cast<int>(i);
  }
  return -1;
}

namespace {

constexpr std::size_t kTipBytes = 63;
constexpr std::size_t kBalloonTitleBytes = 63;
constexpr std::size_t kBalloonTextBytes = 255;

// Copies `text` into a zeroed field, NUL-terminated.
template <std::size_t N>
void CopyField(char (&field)[N], std::string_view text) {
  std::memset(field, 0, N);
  std::memcpy(field, text.data(), std::min(text.size(), N - 1));
}

// The process's callback component, created for `owner` when there is none (yet,
// or any more: its first owner may have gone).
TCallbackWindow& TheCallbackWindow(TComponent* owner, const TTrayPlatform& platform) {
  if (CallbackWindow == nullptr) CallbackWindow = new TCallbackWindow(owner, platform);
  return *CallbackWindow;
}

bool IsBalloonMode(TTrayIconMode mode) {
  return mode == TTrayIconMode::tiShowBalloon || mode == TTrayIconMode::tiHideBalloon;
}

template <class Target>
void DeferLink(TReader& reader, const PropertyValue& value, void (TTrayIcon::*set)(Target*), TTrayIcon* self) {
  reader.DeferReference(value, [self, set, name = value.text](TComponent* component) {
    auto* target = dynamic_cast<Target*>(component);
    if (target == nullptr) throw EReadError("form description: " + name + " has the wrong class");
    (self->*set)(target);
  });
}

}  // namespace

TTrayIcon::TTrayIcon(TComponent* owner, const TTrayPlatform& platform)
    : TComponent(owner), platform_(platform), icon_(std::make_unique<TIcon>()), features_(platform_.area.Features()) {
  if (TrayIconList.Count() >= TTrayIconList::kCapacity) {
    FIconID = 0;
    throw ENotifyIconError(std::string(kCannotRegisterIcon));
  }
  FIconID = TrayIconList.Count() == 0 ? 1 : std::stoi(TrayIconList.Strings(TrayIconList.Count() - 1)) + 1;
  if (!IsDesigning()) {
    icon_->OnChange = [this](TObject*) { IconChange(this); };
    TheCallbackWindow(Owner() != nullptr ? Owner() : this, platform_);
    FIconData = std::make_unique<TNotifyIconDataV5A>();
    FIconData->cbSize = features_.full_record ? kNotifyIconDataV5Size : kNotifyIconDataV1Size;
    FIconData->uCallbackMessage = kTrayCallbackMessage;
    FIconData->uID = static_cast<std::uint32_t>(FIconID);
  }
  // Last, so that a constructor that fails leaves no entry behind.
  TrayIconList.Add(std::to_string(FIconID), this);
}

// Only the shell's delete, whose failure is ignored, and bookkeeping run here:
// nothing raises but a failed allocation, which ends the program anyway.
TTrayIcon::~TTrayIcon() {  // NOLINT(bugprone-exception-escape)
  if (FIconData != nullptr) {
    FAnimateThread.reset();
    FAnimating = false;
    if (FIconAdded) SetTrayIcon(TTrayIconMode::tiDeleteIcon);
    FIconData.reset();
  }
  if (CallbackWindow != nullptr) CallbackWindow->Forget(this);
  const int index = TrayIconList.IndexOf(std::to_string(FIconID));
  if (index >= 0) TrayIconList.Delete(index);
}

bool TTrayIcon::OwnerLoading() const { return IsLoading() || (Owner() != nullptr && Owner()->IsLoading()); }

TIconHandle TTrayIcon::GetIconHandle() {
  if (TIconHandle handle = icon_->Handle(); handle != 0) return handle;
  if (TIconHandle handle = platform_.forms.FormIcon(Owner()); handle != 0) return handle;
  return platform_.forms.ApplicationIcon();
}

void TTrayIcon::SetVisible(bool value) {
  if (value == visible_) return;
  visible_ = value && GetIconHandle() != 0;
  if (IsDesigning() || OwnerLoading()) return;
  const bool new_shell = features_.full_record;
  if (visible_) {
    SetTrayIcon(FIconAdded && new_shell ? TTrayIconMode::tiShowIcon : TTrayIconMode::tiAddIcon);
  } else if (FIconAdded) {
    SetTrayIcon(new_shell ? TTrayIconMode::tiHideIcon : TTrayIconMode::tiDeleteIcon);
  }
}

void TTrayIcon::SetIcon(const TIcon* value) {
  if (value == icon_.get()) return;
  icon_->Assign(value);
}

void TTrayIcon::SetTipHelp(std::string_view value) {
  const std::string_view candidate = value.substr(0, kTipBytes);
  if (candidate == tip_help_) return;
  {
    std::lock_guard guard(record_lock_);
    tip_help_.assign(candidate);
  }
  if (!IsDesigning()) IconChange(this);
}

void TTrayIcon::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  if (!enabled_) FClickPending = false;
}

void TTrayIcon::SetAnimateRate(std::int32_t value) {
  if (value != animate_rate_) animate_rate_ = std::max(value, 10);
}

void TTrayIcon::SetLBPopupMenu(TPopupMenu* value) {
  if (value == lb_popup_menu_) return;
  lb_popup_menu_ = value;
  if (lb_popup_menu_ != nullptr) lb_popup_menu_->FreeNotification(this);
}

void TTrayIcon::SetRBPopupMenu(TPopupMenu* value) {
  if (value == rb_popup_menu_) return;
  rb_popup_menu_ = value;
  if (rb_popup_menu_ != nullptr) rb_popup_menu_->FreeNotification(this);
}

void TTrayIcon::SetAnimateIcons(TImageList* value) {
  if (value != animate_icons_ && !FAnimating) animate_icons_ = value;
  if (animate_icons_ == value && value != nullptr) value->FreeNotification(this);
}

void TTrayIcon::SetBalloonTitle(std::string_view value) {
  std::string candidate(value.substr(0, kBalloonTitleBytes));
  if (candidate != balloon_title_) balloon_title_ = std::move(candidate);
}

void TTrayIcon::SetBalloonText(std::string_view value) {
  std::string candidate(value.substr(0, kBalloonTextBytes));
  if (candidate != balloon_text_) balloon_text_ = std::move(candidate);
}

void TTrayIcon::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  if (component == lb_popup_menu_) lb_popup_menu_ = nullptr;
  if (component == rb_popup_menu_) rb_popup_menu_ = nullptr;
  if (animate_icons_ != nullptr && component == animate_icons_) {
    // The thread reads its own share of the images, but the animation is
    // stopped before the link goes, so that nothing animates a list that no
    // longer exists.
    if (FAnimating) {
      StopAnimation();
      try {
        IconChange(this);
      } catch (const ENotifyIconError&) {
        // Reached from the list's destruction: there is no caller to tell,
        // and the next change of picture or tip tries the shell again.
      }
    }
    animate_icons_ = nullptr;
  }
}

void TTrayIcon::IconChange(TObject* /*sender*/) {
  if (!FIconAdded) return;
  // An automatic animation refreshes the icon itself.
  if (FAnimating && FAnimateMode == TAnimateMode::amAutomatic) return;
  SetTrayIcon(TTrayIconMode::tiModifyIcon);
}

void TTrayIcon::FillTip() {
  CopyField(FIconData->szTip, tip_help_);
  FIconData->uFlags = tip_help_.empty() ? kNifMessage | kNifIcon : kNifMessage | kNifIcon | kNifTip;
}

void TTrayIcon::PrepareRecord(TTrayIconMode mode) {
  TNotifyIconDataV5A& record = *FIconData;
  record.hIcon = FAnimating && FAnimateThread ? FAnimateThread->FrameIcon().Handle() : GetIconHandle();
  const bool new_shell = features_.full_record;
  if (new_shell && IsBalloonMode(mode)) {
    record.uFlags = kNifMessage | kNifInfo;
    record.uTimeout = balloon_timeout_ * 1000u;
    CopyField(record.szInfoTitle, "");
    CopyField(record.szInfo, "");
    if (mode == TTrayIconMode::tiShowBalloon) {
      CopyField(record.szInfoTitle, balloon_title_);
      CopyField(record.szInfo, balloon_text_.empty() ? std::string_view(" ") : std::string_view(balloon_text_));
      record.dwInfoFlags = static_cast<std::uint32_t>(balloon_icon_);
    }
  } else if (new_shell && (mode == TTrayIconMode::tiShowIcon || mode == TTrayIconMode::tiHideIcon)) {
    record.uFlags = kNifState;
    record.dwState = mode == TTrayIconMode::tiHideIcon ? kNisHidden : 0;
    record.dwStateMask = kNisHidden | kNisSharedIcon;
  } else {
    FillTip();
  }
}

void TTrayIcon::SetTrayIcon(TTrayIconMode mode) {
  if (FIconData == nullptr) return;  // design mode talks to no shell
  if (IsBalloonMode(mode) && !visible_) {
    if (mode == TTrayIconMode::tiHideBalloon) return;
    SetVisible(true);
    // With no icon anywhere the icon cannot show, and so neither can a balloon.
    if (!visible_) throw ENotifyIconError(std::string(kCannotSwitchBalloon));
    SetTrayIcon(TTrayIconMode::tiShowBalloon);
    return;
  }
  if (mode == TTrayIconMode::tiAddIcon) {
    AddIcon();
    return;
  }
  const TNotifyIconDataV5A record = RecordFor(mode);
  switch (mode) {
    case TTrayIconMode::tiDeleteIcon: {
      {
        // Cleared first, so that nothing is sent for an icon on its way out.
        std::lock_guard guard(record_lock_);
        FIconAdded = false;
      }
      platform_.area.NotifyIcon(kNimDelete, record);
      break;
    }
    case TTrayIconMode::tiModifyIcon:
      ModifyOrRaise(record, kCannotRegisterIcon);
      break;
    case TTrayIconMode::tiShowBalloon:
    case TTrayIconMode::tiHideBalloon:
      ModifyOrRaise(record, kCannotSwitchBalloon);
      break;
    case TTrayIconMode::tiShowIcon:
    case TTrayIconMode::tiHideIcon:
      ModifyOrRaise(record, kCannotSwitchIcon);
      break;
    case TTrayIconMode::tiAddIcon:
      break;
  }
}

TNotifyIconDataV5A TTrayIcon::RecordFor(TTrayIconMode mode) {
  std::lock_guard guard(record_lock_);
  PrepareRecord(mode);
  return *FIconData;
}

void TTrayIcon::ModifyOrRaise(const TNotifyIconDataV5A& record, std::string_view message) {
  if (!platform_.area.NotifyIcon(kNimModify, record)) throw ENotifyIconError(std::string(message));
}

void TTrayIcon::AddIcon() {
  if (!visible_) return;
  const std::uint32_t window = TheCallbackWindow(Owner() != nullptr ? Owner() : this, platform_).Handle();
  TNotifyIconDataV5A record;
  {
    std::lock_guard guard(record_lock_);
    PrepareRecord(TTrayIconMode::tiAddIcon);
    FIconData->hWnd = window;
    record = *FIconData;
  }
  // A busy shell may time out on an add that it still carries out: wait,
  // look whether the icon arrived after all, and try again a few times.
  bool probed = false;
  for (int retries = 0;; ++retries) {
    if (platform_.area.NotifyIcon(kNimAdd, record)) break;
    if (!features_.add_may_time_out || platform_.area.LastError() != kErrorTimeout || retries >= 5) {
      throw ENotifyIconError(std::string(kCannotRegisterIcon));
    }
    platform_.input.Sleep(100);
    if (!probed) {
      probed = true;
      if (platform_.area.NotifyIcon(kNimModify, record)) break;
    }
  }
  bool changed = false;
  {
    std::lock_guard guard(record_lock_);
    FIconAdded = true;
    PrepareRecord(TTrayIconMode::tiModifyIcon);
    changed = FIconData->hIcon != record.hIcon || std::strcmp(FIconData->szTip, record.szTip) != 0;
  }
  // A handler that changed the picture or tip during the add found no icon to change.
  if (changed) IconChange(this);
}

void TTrayIcon::ShellRestarted() {
  // The announcement may come without a loss; an icon still held stays as it is.
  if (platform_.area.NotifyIcon(kNimModify, RecordFor(TTrayIconMode::tiModifyIcon))) return;
  {
    std::lock_guard guard(record_lock_);
    FIconAdded = false;
  }
  SetTrayIcon(TTrayIconMode::tiAddIcon);
}

void TTrayIcon::ShowBalloon() { ShowBalloon(balloon_icon_, balloon_title_, balloon_text_, balloon_timeout_); }

void TTrayIcon::ShowBalloon(TBalloonInfoIconFlag icon) {
  ShowBalloon(icon, balloon_title_, balloon_text_, balloon_timeout_);
}

void TTrayIcon::ShowBalloon(TBalloonInfoIconFlag icon, std::string_view title) {
  ShowBalloon(icon, title, balloon_text_, balloon_timeout_);
}

void TTrayIcon::ShowBalloon(TBalloonInfoIconFlag icon, std::string_view title, std::string_view text) {
  ShowBalloon(icon, title, text, balloon_timeout_);
}

void TTrayIcon::ShowBalloon(TBalloonInfoIconFlag icon, std::string_view title, std::string_view text,
                            TBalloonTimeout timeout) {
  balloon_icon_ = icon;
  SetBalloonTitle(title);
  SetBalloonText(text);
  balloon_timeout_ = timeout;
  SetTrayIcon(TTrayIconMode::tiHideBalloon);
  SetTrayIcon(TTrayIconMode::tiShowBalloon);
}

void TTrayIcon::HideBalloon() { SetTrayIcon(TTrayIconMode::tiHideBalloon); }

void TTrayIcon::AnimatePlay(TAnimateMode mode) {
  if (FAnimating || animate_icons_ == nullptr || animate_icons_->Count() == 0) return;
  if (!FAnimateThread) FAnimateThread = std::make_unique<TTrayIconAnimate>(*this);
  FAnimateThread->Play(mode, animate_icons_->Store());
}

void TTrayIcon::AnimateStep() {
  if (FAnimating && FAnimateMode == TAnimateMode::amManual) FAnimateThread->Step();
}

void TTrayIcon::StopAnimation() { FAnimateThread->Stop(); }

void TTrayIcon::AnimateStop() {
  if (!FAnimating) return;
  StopAnimation();
  IconChange(this);
}

void TTrayIcon::AnimeteModeChange() {
  if (FAnimating) FAnimateThread->ModeChange();
}

void TTrayIcon::ReadState(TReader& reader) {
  // A tip that the description does not store reads back empty.
  if (!FStateRead) {
    FStateRead = true;
    SetTipHelp("");
  }
  TComponent::ReadState(reader);
}

void TTrayIcon::Loaded() {
  FStateRead = false;
  if (!IsDesigning()) SetTrayIcon(TTrayIconMode::tiAddIcon);
  TComponent::Loaded();
}

bool TTrayIcon::ReadProperty(std::string_view name, const PropertyValue& value, TReader& reader) {
  if (name == "AnimateIcons") {
    DeferLink(reader, value, &TTrayIcon::SetAnimateIcons, this);
  } else if (name == "AnimateRate") {
    SetAnimateRate(value.AsInteger());
  } else if (name == "AutoPopup") {
    auto_popup_ = value.AsBoolean();
  } else if (name == "Enabled") {
    SetEnabled(value.AsBoolean());
  } else if (name == "LBPopupMenu") {
    DeferLink(reader, value, &TTrayIcon::SetLBPopupMenu, this);
  } else if (name == "RBPopupMenu") {
    DeferLink(reader, value, &TTrayIcon::SetRBPopupMenu, this);
  } else if (name == "TipHelp") {
    SetTipHelp(platform_.area.ToSystemCodePage(value.AsString()));
  } else if (name == "Visible") {
    SetVisible(value.AsBoolean());
  } else if (name == "BalloonTitle") {
    SetBalloonTitle(platform_.area.ToSystemCodePage(value.AsString()));
  } else if (name == "BalloonText") {
    SetBalloonText(platform_.area.ToSystemCodePage(value.AsString()));
  } else if (name == "BalloonIcon") {
    static constexpr std::string_view kNames[] = {"biifNone", "biifInfo", "biifWarning", "biifError"};
    const auto* found = std::find(std::begin(kNames), std::end(kNames), value.AsIdentifier());
    if (found == std::end(kNames)) throw EReadError("unknown balloon icon " + value.text);
    balloon_icon_ = static_cast<TBalloonInfoIconFlag>(found - std::begin(kNames));
  } else if (name == "BalloonTimeout") {
    const std::int32_t seconds = value.AsInteger();
    if (seconds < 10 || seconds > 60) throw EReadError("balloon time-out out of range: " + std::to_string(seconds));
    balloon_timeout_ = static_cast<TBalloonTimeout>(seconds);
  } else if (name == "FormActiveByMouseup") {
    form_active_by_mouseup_ = value.AsBoolean();
  } else if (name == "OnClick") {
    OnClick = reader.Method<TNotifyEvent>(value);
  } else if (name == "OnDblClick") {
    OnDblClick = reader.Method<TNotifyEvent>(value);
  } else if (name == "OnMouseDown") {
    OnMouseDown = reader.Method<TMouseEvent>(value);
  } else if (name == "OnMouseMove") {
    OnMouseMove = reader.Method<TMouseMoveEvent>(value);
  } else if (name == "OnMouseUp") {
    OnMouseUp = reader.Method<TMouseEvent>(value);
  } else if (name == "OnBalloonShow") {
    SetOnBalloonShow(reader.Method<TNotifyEvent>(value));
  } else if (name == "OnBalloonHide") {
    SetOnBalloonHide(reader.Method<TNotifyEvent>(value));
  } else if (name == "OnBalloonTimeout") {
    SetOnBalloonTimeout(reader.Method<TNotifyEvent>(value));
  } else if (name == "OnBalloonClick") {
    SetOnBalloonClick(reader.Method<TNotifyEvent>(value));
  } else {
    return TComponent::ReadProperty(name, value, reader);
  }
  return true;
}

}  // namespace snx
