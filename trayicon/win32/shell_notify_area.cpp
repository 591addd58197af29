#include "trayicon/win32/shell_notify_area.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <string_view>
#include <utility>
#include <vector>

namespace snx {

namespace {

// Copies `text` into a zeroed field, NUL-terminated.
template <std::size_t N>
void CopyField(char (&field)[N], std::string_view text) {
  std::memset(field, 0, N);
  std::memcpy(field, text.data(), std::min(text.size(), N - 1));
}

struct TPointerNotification {
  std::intptr_t notification;
  TPointerAction action;
  TMouseButton button;
};

constexpr TPointerNotification kPointerNotifications[] = {
    {kMouseMove, TPointerAction::paMove, TMouseButton::mbLeft},
    {kLButtonDown, TPointerAction::paPress, TMouseButton::mbLeft},
    {kLButtonUp, TPointerAction::paRelease, TMouseButton::mbLeft},
    {kLButtonDblClk, TPointerAction::paDoubleClick, TMouseButton::mbLeft},
    {kRButtonDown, TPointerAction::paPress, TMouseButton::mbRight},
    {kRButtonUp, TPointerAction::paRelease, TMouseButton::mbRight},
    {kRButtonDblClk, TPointerAction::paDoubleClick, TMouseButton::mbRight},
    {kMButtonDown, TPointerAction::paPress, TMouseButton::mbMiddle},
    {kMButtonUp, TPointerAction::paRelease, TMouseButton::mbMiddle},
    {kMButtonDblClk, TPointerAction::paDoubleClick, TMouseButton::mbMiddle},
};

constexpr std::pair<std::intptr_t, TBalloonEvent> kBalloonNotifications[] = {
    {kBalloonShow, TBalloonEvent::beShown},
    {kBalloonHide, TBalloonEvent::beHidden},
    {kBalloonTimeout, TBalloonEvent::beTimedOut},
    {kBalloonUserClick, TBalloonEvent::beClicked},
};

}  // namespace

void TShellNotifyArea::Connect(std::int32_t id, TComponent* owner, TTrayIconEvents& events) {
  std::lock_guard guard(lock_);
  icons_.insert_or_assign(id, TConnectedIcon{owner, &events});
}

void TShellNotifyArea::Disconnect(std::int32_t id) {
  std::lock_guard guard(lock_);
  icons_.erase(id);
}

TTrayIconEvents* TShellNotifyArea::EventsOf(std::int32_t id) {
  std::lock_guard guard(lock_);
  const auto found = icons_.find(id);
  return found != icons_.end() ? found->second.events : nullptr;
}

TNotifyIconDataV5A TShellNotifyArea::TipRecord(const TTrayIconView& view) {
  TNotifyIconDataV5A record{};
  // Older shells read only the first 88 bytes, whose tip has room for 64.
  record.cbSize = features_.full_record ? kNotifyIconDataV5Size : kNotifyIconDataV1Size;
  {
    std::lock_guard guard(lock_);
    const auto found = icons_.find(view.id);
    if (found != icons_.end()) record.hWnd = found->second.window;
  }
  record.uID = static_cast<std::uint32_t>(view.id);
  record.uCallbackMessage = kTrayCallbackMessage;
  record.hIcon = view.picture;
  CopyField(record.szTip, view.tip);
  record.uFlags = view.tip.empty() ? kNifMessage | kNifIcon : kNifMessage | kNifIcon | kNifTip;
  return record;
}

bool TShellNotifyArea::Add(const TTrayIconView& view) {
  TComponent* owner = nullptr;
  {
    std::lock_guard guard(lock_);
    const auto found = icons_.find(view.id);
    if (found == icons_.end()) return false;
    owner = found->second.owner;
  }
  // Made outside the lock: making a window delivers messages.
  const std::uint32_t window = shell_.CallbackWindow(owner);
  {
    std::lock_guard guard(lock_);
    const auto found = icons_.find(view.id);
    if (found == icons_.end()) return false;
    found->second.window = window;
  }
  const TNotifyIconDataV5A record = TipRecord(view);
  bool probed = false;
  for (int retries = 0;; ++retries) {
    if (shell_.NotifyIcon(kNimAdd, record)) return true;
    if (!features_.add_may_time_out || shell_.LastError() != kErrorTimeout || retries >= 5) return false;
    shell_.Sleep(100);
    if (!probed) {
      probed = true;
      if (shell_.NotifyIcon(kNimModify, record)) return true;
    }
  }
}

template <class Fill>
bool TShellNotifyArea::Modify(const TTrayIconView& view, Fill fill) {
  TNotifyIconDataV5A record = TipRecord(view);
  // An older shell gets the tip record: it shows no balloon and hides nothing.
  if (features_.full_record) fill(record);
  return shell_.NotifyIcon(kNimModify, record);
}

bool TShellNotifyArea::Update(const TTrayIconView& view) {
  return Modify(view, [](TNotifyIconDataV5A&) {});
}

bool TShellNotifyArea::SetShown(const TTrayIconView& view) {
  return Modify(view, [&view](TNotifyIconDataV5A& record) {
    record.uFlags = kNifState;
    record.dwState = view.visible ? 0 : kNisHidden;
    record.dwStateMask = kNisHidden | kNisSharedIcon;
  });
}

void TShellNotifyArea::Remove(const TTrayIconView& view) { shell_.NotifyIcon(kNimDelete, TipRecord(view)); }

bool TShellNotifyArea::ShowBalloon(const TTrayIconView& view, const TBalloonView& balloon) {
  return Modify(view, [&balloon](TNotifyIconDataV5A& record) {
    record.uFlags = kNifMessage | kNifInfo;
    record.uTimeout = balloon.timeout * 1000u;
    CopyField(record.szInfoTitle, balloon.title);
    // An empty text would withdraw the balloon instead.
    CopyField(record.szInfo, balloon.text.empty() ? std::string_view(" ") : std::string_view(balloon.text));
    record.dwInfoFlags = static_cast<std::uint32_t>(balloon.icon);
  });
}

// Empty texts withdraw the balloon.
bool TShellNotifyArea::HideBalloon(const TTrayIconView& view) {
  return Modify(view, [](TNotifyIconDataV5A& record) { record.uFlags = kNifMessage | kNifInfo; });
}

void TShellNotifyArea::CallbackMessage(std::uintptr_t id, std::intptr_t notification) {
  if (!std::in_range<std::int32_t>(id)) return;
  TTrayIconEvents* events = EventsOf(static_cast<std::int32_t>(id));
  if (events == nullptr) return;
  for (const TPointerNotification& pointer : kPointerNotifications) {
    if (pointer.notification == notification) {
      return events->PointerEvent({pointer.action, pointer.button, shell_.CursorPos()});
    }
  }
  for (const auto& [balloon, event] : kBalloonNotifications) {
    if (balloon == notification) return events->BalloonEvent(event);
  }
}

void TShellNotifyArea::TaskbarCreated() {
  std::vector<std::int32_t> ids;
  {
    std::lock_guard guard(lock_);
    for (const auto& [id, icon] : icons_) ids.push_back(id);
  }
  std::exception_ptr failure;
  for (const std::int32_t id : ids) {
    // An icon that an earlier one's handler ended is gone.
    TTrayIconEvents* events = EventsOf(id);
    if (events == nullptr) continue;
    try {
      events->AreaRestarted();
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
  }
  if (failure) std::rethrow_exception(failure);
}

}  // namespace snx
