#include "main/linux/glib_tick_pacing.h"

#include <algorithm>
#include <utility>

#include "framework/linux/guarded.h"

namespace snx {

struct TGlibTickPacing::TSource {
  GSource source;
  TGlibTickPacing* pacing;
};

// GLib takes the table through a pointer to non-const but never writes to it.
GSourceFuncs TGlibTickPacing::SourceFuncs{Prepare, Check, Dispatch, nullptr, nullptr, nullptr};

TGlibTickPacing::TGlibTickPacing() : source_(g_source_new(&SourceFuncs, sizeof(TSource))) {
  reinterpret_cast<TSource*>(source_.get())->pacing = this;
  g_source_attach(source_.get(), g_main_context_get_thread_default());
}

gboolean TGlibTickPacing::Prepare(GSource* source, gint* timeout) {
  const gint64 wake_at = reinterpret_cast<TSource*>(source)->pacing->wake_at_;
  *timeout = -1;
  if (wake_at < 0) return FALSE;
  const gint64 left = wake_at - g_source_get_time(source);
  // Rounded up: a wake-up before the time would only go back to sleep.
  *timeout = static_cast<gint>(std::clamp<gint64>((left + 999) / 1000, 0, G_MAXINT));
  return left <= 0 ? TRUE : FALSE;
}

gboolean TGlibTickPacing::Check(GSource* source) {
  const gint64 wake_at = reinterpret_cast<TSource*>(source)->pacing->wake_at_;
  return wake_at >= 0 && wake_at <= g_source_get_time(source) ? TRUE : FALSE;
}

gboolean TGlibTickPacing::Dispatch(GSource* source, GSourceFunc, gpointer) {
  TGlibTickPacing& pacing = *reinterpret_cast<TSource*>(source)->pacing;
  // One wake-up per request: asleep until the next.
  pacing.wake_at_ = -1;
  if (pacing.woken_) Guarded(pacing.woken_);
  return G_SOURCE_CONTINUE;
}

// The same clock as the source's.
TPacerTime TGlibTickPacing::Now() { return TPacerTime(g_get_monotonic_time()); }

void TGlibTickPacing::WakeAt(TPacerTime when) { wake_at_ = when.count(); }

void TGlibTickPacing::CancelWake() { wake_at_ = -1; }

}  // namespace snx
