#include "framework/win32/timer.h"

#include <cstdint>

#include "framework/core/reader.h"

namespace snx {

namespace {
constexpr UINT_PTR kTimerId = 1;
}

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
  WindowParams params{L"TTimerWindow"};
  params.parent = HWND_MESSAGE;
  window_ = CreateTargetWindow(params, this);
}

TTimer::~TTimer() {
  if (running_) KillTimer(window_.get(), kTimerId);
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  if (running_) KillTimer(window_.get(), kTimerId);
  running_ = false;
  if (IsLoading() || !enabled_ || interval_ == 0 || !OnTimer) return;
  if (!window_ || SetTimer(window_.get(), kTimerId, interval_, nullptr) == 0) {
    throw EOutOfResources("タイマーを取得できません");
  }
  running_ = true;
}

bool TTimer::ReadProperty(std::string_view name, const PropertyValue& value, TReader& reader) {
  if (name == "Enabled") {
    enabled_ = value.AsBoolean();
  } else if (name == "Interval") {
    interval_ = static_cast<std::uint32_t>(value.AsInteger(0, INT32_MAX));
  } else if (name == "OnTimer") {
    OnTimer = reader.Method<TNotifyEvent>(value);
  } else {
    return TComponent::ReadProperty(name, value, reader);
  }
  return true;
}

void TTimer::Loaded() {
  TComponent::Loaded();
  UpdateTimer();
}

LRESULT TTimer::HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_TIMER && wparam == kTimerId) {
    if (OnTimer) OnTimer(this);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace snx
