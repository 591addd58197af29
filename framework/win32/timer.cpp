#include "framework/win32/timer.h"

#include "framework/core/object.h"

namespace snx {

namespace {
constexpr UINT_PTR kTimerId = 1;
}

TWin32Timer::TWin32Timer(TComponent* owner) : TTimer(owner) {
  WindowParams params{L"TTimerWindow"};
  params.parent = HWND_MESSAGE;
  window_ = CreateTargetWindow(params, this);
}

TWin32Timer::~TWin32Timer() { StopTicks(); }

void TWin32Timer::StopTicks() {
  if (running_) KillTimer(window_.get(), kTimerId);
  running_ = false;
}

void TWin32Timer::StartTicks(std::uint32_t interval_ms) {
  if (!window_ || SetTimer(window_.get(), kTimerId, interval_ms, nullptr) == 0) {
    throw EOutOfResources("タイマーを取得できません");
  }
  running_ = true;
}

LRESULT TWin32Timer::HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_TIMER && wparam == kTimerId) {
    if (OnTimer) OnTimer(this);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace snx
