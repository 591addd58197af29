#pragma once
// The strip's pacing on GLib's main loop: its monotonic clock, and one
// source that wakes the loop at the time asked for. The time is read by the
// source as the loop prepares each pass, so moving it calls nothing (a
// source's ready time, set, wakes its context each time); nothing is made
// or freed per buffer.
#include <glib.h>

#include <functional>
#include <memory>

#include "framework/linux/handles.h"
#include "main/core/tick_pacing.h"

namespace snx {

class TGlibTickPacing final : public TTickPacing {
 public:
  // On the thread-default main context of the thread that makes it, which
  // is the only thread that may call it.
  TGlibTickPacing();

  TPacerTime Now() override;
  void SetWoken(std::function<void()> woken) override { woken_ = std::move(woken); }
  void WakeAt(TPacerTime when) override;
  void CancelWake() override;

 private:
  struct TSource;

  static gboolean Prepare(GSource* source, gint* timeout);
  static gboolean Check(GSource* source);
  static gboolean Dispatch(GSource* source, GSourceFunc, gpointer);

  static GSourceFuncs SourceFuncs;

  std::function<void()> woken_;
  // On GLib's monotonic clock; -1 for none.
  gint64 wake_at_ = -1;
  UniqueSource source_;  // last, so that it goes first
};

}  // namespace snx
