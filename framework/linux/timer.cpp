#include "framework/linux/timer.h"

#include <cstdint>

#include "framework/core/reader.h"
#include "framework/linux/guarded.h"

namespace snx {

namespace {

// A source that keeps its own schedule: each tick is due one interval after
// the previous one was due, not after it ran, so a late tick does not
// delay the rest. Ticks missed altogether are skipped, never bunched.
struct TickSource {
  GSource base;
  gint64 interval_us;
};

gboolean DispatchTick(GSource* source, GSourceFunc callback, gpointer data) {
  const gint64 interval = reinterpret_cast<TickSource*>(source)->interval_us;
  const gint64 now = g_source_get_time(source);
  gint64 due = g_source_get_ready_time(source) + interval;
  if (due <= now) due += (now - due) / interval * interval + interval;
  g_source_set_ready_time(source, due);
  return callback(data);
}

// GLib takes the table through a pointer to non-const but never writes to it.
GSourceFuncs TickFuncs{nullptr, nullptr, DispatchTick, nullptr, nullptr, nullptr};

guint AddTickSource(std::uint32_t interval_ms, GSourceFunc callback, gpointer data) {
  GSource* source = g_source_new(&TickFuncs, sizeof(TickSource));
  reinterpret_cast<TickSource*>(source)->interval_us = gint64{interval_ms} * 1000;
  g_source_set_ready_time(source, g_get_monotonic_time() + gint64{interval_ms} * 1000);
  g_source_set_callback(source, callback, data, nullptr);
  const guint id = g_source_attach(source, nullptr);
  g_source_unref(source);  // the main context holds it until it is removed
  return id;
}

}  // namespace

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  source_.Reset();
  if (IsLoading() || !enabled_ || interval_ == 0 || !OnTimer) return;
  source_.Reset(AddTickSource(
      interval_,
      +[](gpointer data) -> gboolean {
        auto* timer = static_cast<TTimer*>(data);
        Guarded([&] { timer->OnTimer(timer); });
        return G_SOURCE_CONTINUE;
      },
      this));
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
