#pragma once
// libpulse's main-loop interface on a GLib main context, as one source that
// GLib never blocks around its dispatch. pa_glib_mainloop's source is
// blocked: GLib takes its descriptors out of the poll and puts them back
// each time it runs, and each time wakes its own context (an eventfd write,
// then another pass of the loop), several times per piece of sound. Here
// the source mutes its own descriptors while it runs instead, which asks
// nothing of GLib, so a loop run from inside a callback does not spin.
#include <glib.h>
#include <pulse/mainloop-api.h>

#include <memory>
#include <vector>

#include "framework/linux/handles.h"

namespace snx {

class TGlibPulseLoop {
 public:
  // The events run on `context`, on the thread that runs it; everything
  // libpulse calls here comes from that thread.
  explicit TGlibPulseLoop(GMainContext* context);
  TGlibPulseLoop(const TGlibPulseLoop&) = delete;
  TGlibPulseLoop& operator=(const TGlibPulseLoop&) = delete;
  // Whatever libpulse has not freed yet is freed, its destroy callbacks called.
  ~TGlibPulseLoop();

  pa_mainloop_api* Api() { return &api_; }

 private:
  struct TSource;

  static gboolean Prepare(GSource* source, gint* timeout);
  static gboolean Check(GSource* source);
  static gboolean Dispatch(GSource* source, GSourceFunc, gpointer);

  static pa_io_event* IoNew(pa_mainloop_api* api, int fd, pa_io_event_flags_t events, pa_io_event_cb_t callback,
                            void* userdata);
  static void IoEnable(pa_io_event* event, pa_io_event_flags_t events);
  static void IoFree(pa_io_event* event);
  static void IoSetDestroy(pa_io_event* event, pa_io_event_destroy_cb_t callback);
  static pa_time_event* TimeNew(pa_mainloop_api* api, const struct timeval* when, pa_time_event_cb_t callback,
                                void* userdata);
  static void TimeRestart(pa_time_event* event, const struct timeval* when);
  static void TimeFree(pa_time_event* event);
  static void TimeSetDestroy(pa_time_event* event, pa_time_event_destroy_cb_t callback);
  static pa_defer_event* DeferNew(pa_mainloop_api* api, pa_defer_event_cb_t callback, void* userdata);
  static void DeferEnable(pa_defer_event* event, int enabled);
  static void DeferFree(pa_defer_event* event);
  static void DeferSetDestroy(pa_defer_event* event, pa_defer_event_destroy_cb_t callback);
  static void Quit(pa_mainloop_api* api, int retval);

  // The earliest time a live time event is due, -1 for none.
  gint64 EarliestDue() const;
  bool AnyDeferEnabled() const;
  void RunDeferred();
  // Muted while dispatching, so that a loop run from inside sees nothing here.
  void MuteDescriptors(bool muted);
  // Frees the events marked dead, calling their destroy callbacks.
  void Collect();

  static GSourceFuncs SourceFuncs;

  pa_mainloop_api api_;
  std::vector<std::unique_ptr<pa_io_event>> io_events_;
  std::vector<std::unique_ptr<pa_time_event>> time_events_;
  std::vector<std::unique_ptr<pa_defer_event>> defer_events_;
  bool dispatching_ = false;
  bool any_dead_ = false;
  bool collecting_ = false;
  UniqueSource source_;  // last, so that it goes first
};

}  // namespace snx
