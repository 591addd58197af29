#include "main/linux/glib_tick_pacing.h"

#include <utility>

#include "framework/linux/guarded.h"

namespace snx {

namespace {

gboolean Wake(GSource* source, GSourceFunc callback, gpointer data) {
  // One wake-up per request: asleep until the next.
  g_source_set_ready_time(source, -1);
  return callback(data);
}

// GLib takes the table through a pointer to non-const but never writes to it.
GSourceFuncs WakeFuncs{nullptr, nullptr, Wake, nullptr, nullptr, nullptr};

}  // namespace

void TGlibTickPacing::TSourceDestroy::operator()(GSource* source) const {
  g_source_destroy(source);
  g_source_unref(source);
}

TGlibTickPacing::TGlibTickPacing() : source_(g_source_new(&WakeFuncs, sizeof(GSource))) {
  g_source_set_callback(
      source_.get(),
      +[](gpointer self) -> gboolean {
        auto* pacing = static_cast<TGlibTickPacing*>(self);
        if (pacing->woken_) Guarded(pacing->woken_);
        return G_SOURCE_CONTINUE;
      },
      this, nullptr);
  g_source_set_ready_time(source_.get(), -1);
  g_source_attach(source_.get(), g_main_context_get_thread_default());
}

// The same clock as GLib's ready times.
TPacerTime TGlibTickPacing::Now() { return TPacerTime(g_get_monotonic_time()); }

void TGlibTickPacing::WakeAt(TPacerTime when) { g_source_set_ready_time(source_.get(), when.count()); }

void TGlibTickPacing::CancelWake() { g_source_set_ready_time(source_.get(), -1); }

}  // namespace snx
