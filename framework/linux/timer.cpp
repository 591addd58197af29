#include "framework/linux/timer.h"

#include <cstdint>

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

void TGtkTimer::StartTicks(std::uint32_t interval_ms) {
  source_.Reset(AddTickSource(
      interval_ms,
      +[](gpointer data) -> gboolean {
        auto* timer = static_cast<TGtkTimer*>(data);
        Guarded([&] { timer->OnTimer(timer); });
        return G_SOURCE_CONTINUE;
      },
      this));
}

}  // namespace snx
