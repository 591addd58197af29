#pragma once
// A periodic callback on the user-interface thread, from the main loop.
#include <cstdint>

#include "framework/core/component.h"
#include "framework/core/events.h"
#include "framework/linux/handles.h"

namespace snx {

class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* owner) : TComponent(owner) {}

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  std::uint32_t Interval() const { return interval_; }
  TNotifyEvent OnTimer;

  bool ReadProperty(std::string_view name, const PropertyValue& value, TReader& reader) override;
  void Loaded() override;

 private:
  void UpdateTimer();

  bool enabled_ = true;
  std::uint32_t interval_ = 1000;
  TSourceId source_;  // last, so that it goes first
};

}  // namespace snx
