#include "trayicon/core/tray_icon.h"

#include <algorithm>

#include "framework/core/form_description.h"
#include "framework/core/reader.h"
#include "trayicon/core/single_click.h"
#include "trayicon/core/tray_icon_animate.h"

namespace snx {

namespace {

constexpr std::size_t kTipBytes = 63;
constexpr std::size_t kBalloonTitleBytes = 63;
constexpr std::size_t kBalloonTextBytes = 255;

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
    : TComponent(owner),
      platform_(platform),
      self_(std::make_shared<TTrayIcon*>(this)),
      icon_(std::make_unique<TIcon>()),
      hides_in_place_(platform_.area.HidesInPlace()) {
  icon_id_ = platform_.ids.Next();
  if (icon_id_ == 0) throw ENotifyIconError(std::string(kCannotRegisterIcon));
  if (!IsDesigning()) icon_->OnChange = [this](TObject*) { IconChange(this); };
  // Last, so that a constructor that fails leaves nothing behind.
  platform_.area.Connect(icon_id_, Owner(), *this);
  platform_.ids.Add(icon_id_);
}

// Only the area's removal, which cannot fail, and bookkeeping run here:
// nothing raises but a failed allocation, which ends the program anyway.
TTrayIcon::~TTrayIcon() {  // NOLINT(bugprone-exception-escape)
  if (rb_popup_menu_ != nullptr) rb_popup_menu_->RemoveObserver(*this);
  // Waits still running end first; their posted ends find no icon.
  single_clicks_.clear();
  animate_thread_.reset();
  animating_ = false;
  // Also in design mode: the area keeps no icon of a component that has gone.
  if (icon_added_) RemoveIcon();
  platform_.area.Disconnect(icon_id_);
  platform_.ids.Remove(icon_id_);
}

bool TTrayIcon::OwnerLoading() const { return IsLoading() || (Owner() != nullptr && Owner()->IsLoading()); }

TIconHandle TTrayIcon::GetIconHandle() {
  if (TIconHandle handle = icon_->Handle(); handle != 0) return handle;
  if (TIconHandle handle = platform_.forms.FormIcon(Owner()); handle != 0) return handle;
  return platform_.forms.ApplicationIcon();
}

void TTrayIcon::SetVisible(bool value) {
  if (value == visible_) return;
  {
    std::lock_guard guard(view_lock_);
    visible_ = value && GetIconHandle() != 0;
  }
  if (IsDesigning() || OwnerLoading()) return;
  if (visible_) {
    SetTrayIcon(icon_added_ && hides_in_place_ ? TTrayIconMode::tiShowIcon : TTrayIconMode::tiAddIcon);
  } else if (icon_added_) {
    SetTrayIcon(hides_in_place_ ? TTrayIconMode::tiHideIcon : TTrayIconMode::tiDeleteIcon);
  }
}

void TTrayIcon::SetIcon(const TIcon* value) {
  if (value == icon_.get()) return;
  icon_->Assign(value);
}

void TTrayIcon::SetTipHelp(std::string_view value) {
  const std::string_view candidate = WholeCharacters(value, kTipBytes, platform_.text);
  if (candidate == tip_help_) return;
  {
    std::lock_guard guard(view_lock_);
    tip_help_.assign(candidate);
  }
  if (!IsDesigning()) IconChange(this);
}

void TTrayIcon::SetAutoPopup(bool value) {
  if (value == auto_popup_) return;
  auto_popup_ = value;
  OfferMenu();
}

void TTrayIcon::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  if (!enabled_) click_pending_ = false;
  OfferMenu();
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
  if (rb_popup_menu_ != nullptr) rb_popup_menu_->RemoveObserver(*this);
  rb_popup_menu_ = value;
  if (rb_popup_menu_ != nullptr) {
    rb_popup_menu_->FreeNotification(this);
    rb_popup_menu_->AddObserver(*this);
  }
  OfferMenu();
}

TPopupMenu* TTrayIcon::HostMenu() const { return enabled_ && auto_popup_ ? rb_popup_menu_ : nullptr; }

void TTrayIcon::OfferMenu() {
  if (!IsDesigning()) platform_.area.SetMenu(icon_id_, HostMenu());
}

void TTrayIcon::MenuChanged(TPopupMenu& menu) {
  if (&menu == HostMenu()) OfferMenu();
}

void TTrayIcon::SetAnimateIcons(TImageList* value) {
  if (value != animate_icons_ && !animating_) animate_icons_ = value;
  if (animate_icons_ == value && value != nullptr) value->FreeNotification(this);
}

void TTrayIcon::SetBalloonTitle(std::string_view value) {
  const std::string_view candidate = WholeCharacters(value, kBalloonTitleBytes, platform_.text);
  if (candidate != balloon_title_) balloon_title_ = candidate;
}

void TTrayIcon::SetBalloonText(std::string_view value) {
  const std::string_view candidate = WholeCharacters(value, kBalloonTextBytes, platform_.text);
  if (candidate != balloon_text_) balloon_text_ = candidate;
}

void TTrayIcon::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  if (component == lb_popup_menu_) lb_popup_menu_ = nullptr;
  if (component == rb_popup_menu_) SetRBPopupMenu(nullptr);
  if (animate_icons_ != nullptr && component == animate_icons_) {
    // The thread reads its own share of the images, but the animation is
    // stopped before the link goes, so that nothing animates a list that no
    // longer exists.
    if (animating_) {
      StopAnimation();
      try {
        IconChange(this);
      } catch (const ENotifyIconError&) {
        // Reached from the list's destruction: there is no caller to tell,
        // and the next change of picture or tip tries the area again.
      }
    }
    animate_icons_ = nullptr;
  }
}

void TTrayIcon::IconChange(TObject* /*sender*/) {
  if (!icon_added_) return;
  // An automatic animation refreshes the icon itself.
  if (animating_ && animate_mode_ == TAnimateMode::amAutomatic) return;
  SetTrayIcon(TTrayIconMode::tiModifyIcon);
}

TTrayIconView TTrayIcon::ViewWith(TIconHandle picture) const {
  return {.id = icon_id_, .tip = tip_help_, .picture = picture, .visible = visible_};
}

TTrayIconView TTrayIcon::ViewLocked() {
  return ViewWith(animating_ && animate_thread_ ? animate_thread_->FrameIcon().Handle() : GetIconHandle());
}

// Copied under the lock; the area is called on the copy without it: while a
// call waits, the area's reports reach handlers that may change this icon again.
TTrayIconView TTrayIcon::View() {
  std::lock_guard guard(view_lock_);
  return ViewLocked();
}

void TTrayIcon::SetTrayIcon(TTrayIconMode mode) {
  if (IsDesigning()) return;  // design mode talks to no notification area
  if (IsBalloonMode(mode) && !visible_) {
    if (mode == TTrayIconMode::tiHideBalloon) return;
    SetVisible(true);
    // With no icon anywhere the icon cannot show, and so neither can a balloon.
    if (!visible_) throw ENotifyIconError(std::string(kCannotSwitchBalloon));
    SetTrayIcon(TTrayIconMode::tiShowBalloon);
    return;
  }
  TNotifyArea& area = platform_.area;
  bool done = true;
  std::string_view failure = kCannotRegisterIcon;
  switch (mode) {
    case TTrayIconMode::tiAddIcon:
      AddIcon();
      break;
    case TTrayIconMode::tiDeleteIcon:
      RemoveIcon();
      break;
    case TTrayIconMode::tiModifyIcon:
      done = area.Update(View());
      break;
    case TTrayIconMode::tiShowBalloon:
      failure = kCannotSwitchBalloon;
      done = area.ShowBalloon(View(), {balloon_icon_, balloon_title_, balloon_text_, balloon_timeout_});
      break;
    case TTrayIconMode::tiHideBalloon:
      failure = kCannotSwitchBalloon;
      done = area.HideBalloon(View());
      break;
    case TTrayIconMode::tiShowIcon:
    case TTrayIconMode::tiHideIcon: {
      failure = kCannotSwitchIcon;
      TTrayIconView view = View();
      view.visible = mode == TTrayIconMode::tiShowIcon;
      done = area.SetShown(view);
      break;
    }
  }
  if (!done) throw ENotifyIconError(std::string(failure));
}

void TTrayIcon::RemoveIcon() {
  TTrayIconView view;
  {
    // Cleared first, so that nothing is sent for an icon on its way out.
    std::lock_guard guard(view_lock_);
    icon_added_ = false;
    view = ViewLocked();
  }
  platform_.area.Remove(view);
}

void TTrayIcon::AddIcon() {
  if (!visible_) return;
  const TTrayIconView view = View();
  if (!platform_.area.Add(view)) throw ENotifyIconError(std::string(kCannotRegisterIcon));
  bool changed = false;
  {
    std::lock_guard guard(view_lock_);
    icon_added_ = true;
    const TTrayIconView now = ViewLocked();
    changed = now.picture != view.picture || now.tip != view.tip;
  }
  // A handler that changed the picture or tip during the add found no icon to change.
  if (changed) IconChange(this);
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
  if (animating_ || animate_icons_ == nullptr || animate_icons_->Count() == 0) return;
  if (!animate_thread_) animate_thread_ = std::make_unique<TTrayIconAnimate>(*this);
  animate_thread_->Play(mode, animate_icons_->Store());
}

void TTrayIcon::AnimateStep() {
  if (animating_ && animate_mode_ == TAnimateMode::amManual) animate_thread_->Step();
}

void TTrayIcon::StopAnimation() { animate_thread_->Stop(); }

void TTrayIcon::AnimateStop() {
  if (!animating_) return;
  StopAnimation();
  IconChange(this);
}

void TTrayIcon::AnimeteModeChange() {
  if (animating_) animate_thread_->ModeChange();
}

void TTrayIcon::ReadState(TReader& reader) {
  // A tip that the description does not store reads back empty.
  if (!state_read_) {
    state_read_ = true;
    SetTipHelp("");
  }
  TComponent::ReadState(reader);
}

void TTrayIcon::Loaded() {
  state_read_ = false;
  if (!IsDesigning()) SetTrayIcon(TTrayIconMode::tiAddIcon);
  TComponent::Loaded();
}

bool TTrayIcon::ReadProperty(std::string_view name, const PropertyValue& value, TReader& reader) {
  if (name == "AnimateIcons") {
    DeferLink(reader, value, &TTrayIcon::SetAnimateIcons, this);
  } else if (name == "AnimateRate") {
    SetAnimateRate(value.AsInteger());
  } else if (name == "AutoPopup") {
    SetAutoPopup(value.AsBoolean());
  } else if (name == "Enabled") {
    SetEnabled(value.AsBoolean());
  } else if (name == "LBPopupMenu") {
    DeferLink(reader, value, &TTrayIcon::SetLBPopupMenu, this);
  } else if (name == "RBPopupMenu") {
    DeferLink(reader, value, &TTrayIcon::SetRBPopupMenu, this);
  } else if (name == "TipHelp") {
    SetTipHelp(platform_.text.Encode(value.AsString()));
  } else if (name == "Visible") {
    SetVisible(value.AsBoolean());
  } else if (name == "BalloonTitle") {
    SetBalloonTitle(platform_.text.Encode(value.AsString()));
  } else if (name == "BalloonText") {
    SetBalloonText(platform_.text.Encode(value.AsString()));
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
