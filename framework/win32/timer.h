#pragma once
// The timer's ticks on Win32: WM_TIMER on a message-only window.
#include "framework/core/timer.h"
#include "framework/win32/window.h"

namespace snx {

class TWin32Timer final : public TTimer, protected MessageTarget {
 public:
  explicit TWin32Timer(TComponent* owner);
  ~TWin32Timer() override;

 protected:
  void StartTicks(std::uint32_t interval_ms) override;
  void StopTicks() override;

 private:
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override;

  UniqueWindow window_;
  bool running_ = false;
};

}  // namespace snx
