#pragma once
// A periodic callback on the user-interface thread. The platform's timer
// (TWin32Timer, TGtkTimer) supplies the system's ticks.
#include <cstdint>

#include "framework/core/component.h"
#include "framework/core/events.h"

namespace snx {

class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* owner) : TComponent(owner) {}

  bool Enabled() const { return enabled_; }
  // Enabling when the system has no timer to give raises EOutOfResources.
  void SetEnabled(bool enabled);
  std::uint32_t Interval() const { return interval_; }
  void SetInterval(std::uint32_t interval);
  TNotifyEvent OnTimer;

  bool ReadProperty(std::string_view name, const PropertyValue& value, TReader& reader) override;
  void Loaded() override;

 protected:
  // The system's ticks: each calls OnTimer until StopTicks.
  virtual void StartTicks(std::uint32_t interval_ms) = 0;
  virtual void StopTicks() = 0;

 private:
  void UpdateTimer();

  bool enabled_ = true;
  std::uint32_t interval_ = 1000;
};

}  // namespace snx
