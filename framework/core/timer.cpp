#include "framework/core/timer.h"

#include <cstdint>

#include "framework/core/reader.h"

namespace snx {

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  UpdateTimer();
}

void TTimer::SetInterval(std::uint32_t interval) {
  if (interval == interval_) return;
  interval_ = interval;
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  StopTicks();
  if (IsLoading() || !enabled_ || interval_ == 0 || !OnTimer) return;
  StartTicks(interval_);
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

}  // namespace snx
