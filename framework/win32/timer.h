#pragma once
// A periodic callback on the user-interface thread.
#include <cstdint>

#include "framework/core/component.h"
#include "framework/core/events.h"
#include "framework/win32/window.h"

namespace snx {

class TTimer : public TComponent, protected MessageTarget {
 public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  bool Enabled() const { return enabled_; }
  // Enabling when the system has no timer to give raises EOutOfResources.
  void SetEnabled(bool enabled);
  std::uint32_t Interval() const { return interval_; }
  TNotifyEvent OnTimer;

  bool ReadProperty(std::string_view name, const PropertyValue& value, TReader& reader) override;
  void Loaded() override;

 private:
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override;
  void UpdateTimer();

  UniqueWindow window_;
  bool enabled_ = true;
  bool running_ = false;
  std::uint32_t interval_ = 1000;
};

}  // namespace snx
