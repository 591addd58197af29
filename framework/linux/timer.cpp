#include "framework/linux/timer.h"

#include <cstdint>

#include "framework/linux/guarded.h"

namespace snx {

gint64 NextTickDue(gint64 due, gint64 now, gint64 interval) {
  gint64 next = due + interval;
  if (next <= now) next += (now - next) / interval * interval + interval;
  return next;
}

namespace {

// A source that keeps its own schedule (NextTickDue).
struct TickSource {
  GSource base;
  gint64 interval_us;
};

gboolean DispatchTick(GSource* source, GSourceFunc callback, gpointer data) {
  const gint64 interval = reinterpret_cast<TickSource*>(source)->interval_us;
  g_source_set_ready_time(source, NextTickDue(g_source_get_ready_time(source), g_source_get_time(source), interval));
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
