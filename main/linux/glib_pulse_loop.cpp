#include "main/linux/glib_pulse_loop.h"

#include <sys/time.h>

#include <algorithm>
#include <type_traits>
#include <utility>

// The event types libpulse leaves to each main loop to define.
struct pa_io_event {
  snx::TGlibPulseLoop* loop;
  // GLib polls this very record, reading its events at each pass.
  GPollFD poll_fd;
  pa_io_event_flags_t wanted;
  pa_io_event_cb_t callback;
  void* userdata;
  pa_io_event_destroy_cb_t destroy = nullptr;
  bool dead = false;
};

struct pa_time_event {
  snx::TGlibPulseLoop* loop;
  // On GLib's monotonic clock; -1 while disabled.
  gint64 due;
  struct timeval when;
  pa_time_event_cb_t callback;
  void* userdata;
  pa_time_event_destroy_cb_t destroy = nullptr;
  bool dead = false;
};

struct pa_defer_event {
  snx::TGlibPulseLoop* loop;
  bool enabled;
  pa_defer_event_cb_t callback;
  void* userdata;
  pa_defer_event_destroy_cb_t destroy = nullptr;
  bool dead = false;
};

namespace snx {

namespace {

gushort GlibConditions(pa_io_event_flags_t flags) {
  return static_cast<gushort>(
      ((flags & PA_IO_EVENT_INPUT) != 0 ? G_IO_IN : 0) | ((flags & PA_IO_EVENT_OUTPUT) != 0 ? G_IO_OUT : 0) |
      ((flags & PA_IO_EVENT_HANGUP) != 0 ? G_IO_HUP : 0) | ((flags & PA_IO_EVENT_ERROR) != 0 ? G_IO_ERR : 0));
}

pa_io_event_flags_t PulseFlags(gushort conditions) {
  return static_cast<pa_io_event_flags_t>(
      ((conditions & G_IO_IN) != 0 ? PA_IO_EVENT_INPUT : 0) | ((conditions & G_IO_OUT) != 0 ? PA_IO_EVENT_OUTPUT : 0) |
      ((conditions & G_IO_HUP) != 0 ? PA_IO_EVENT_HANGUP : 0) | ((conditions & G_IO_ERR) != 0 ? PA_IO_EVENT_ERROR : 0));
}

// libpulse marks a time on the monotonic clock by this bit of its
// microseconds, which a real count of them never reaches; other times are
// the wall clock's.
constexpr suseconds_t kMonotonicMark = suseconds_t{1} << 30;

gint64 MonotonicDue(const struct timeval* when) {
  if (when == nullptr) return -1;
  const gint64 seconds = when->tv_sec;
  if ((when->tv_usec & kMonotonicMark) != 0) return seconds * G_USEC_PER_SEC + (when->tv_usec & ~kMonotonicMark);
  return g_get_monotonic_time() + (seconds * G_USEC_PER_SEC + when->tv_usec - g_get_real_time());
}

}  // namespace

struct TGlibPulseLoop::TSource {
  GSource source;
  TGlibPulseLoop* loop;
};

// GLib takes the table through a pointer to non-const but never writes to it.
GSourceFuncs TGlibPulseLoop::SourceFuncs{Prepare, Check, Dispatch, nullptr, nullptr, nullptr};

TGlibPulseLoop::TGlibPulseLoop(GMainContext* context)
    : api_{.userdata = this,
           .io_new = IoNew,
           .io_enable = IoEnable,
           .io_free = IoFree,
           .io_set_destroy = IoSetDestroy,
           .time_new = TimeNew,
           .time_restart = TimeRestart,
           .time_free = TimeFree,
           .time_set_destroy = TimeSetDestroy,
           .defer_new = DeferNew,
           .defer_enable = DeferEnable,
           .defer_free = DeferFree,
           .defer_set_destroy = DeferSetDestroy,
           .quit = Quit} {
  source_.reset(g_source_new(&SourceFuncs, sizeof(TSource)));
  reinterpret_cast<TSource*>(source_.get())->loop = this;
  // Not blocked while it runs: blocking is what wakes the context.
  g_source_set_can_recurse(source_.get(), TRUE);
  g_source_attach(source_.get(), context);
}

TGlibPulseLoop::~TGlibPulseLoop() {
  source_.reset();
  for (const auto& event : io_events_) event->dead = true;
  for (const auto& event : time_events_) event->dead = true;
  for (const auto& event : defer_events_) event->dead = true;
  any_dead_ = true;
  Collect();
}

gint64 TGlibPulseLoop::EarliestDue() const {
  gint64 earliest = -1;
  for (const auto& event : time_events_) {
    if (!event->dead && event->due >= 0 && (earliest < 0 || event->due < earliest)) earliest = event->due;
  }
  return earliest;
}

bool TGlibPulseLoop::AnyDeferEnabled() const {
  return std::any_of(defer_events_.begin(), defer_events_.end(),
                     [](const auto& event) { return !event->dead && event->enabled; });
}

gboolean TGlibPulseLoop::Prepare(GSource* source, gint* timeout) {
  TGlibPulseLoop& loop = *reinterpret_cast<TSource*>(source)->loop;
  *timeout = -1;
  if (loop.dispatching_) return FALSE;
  if (loop.AnyDeferEnabled()) {
    *timeout = 0;
    return TRUE;
  }
  const gint64 due = loop.EarliestDue();
  if (due < 0) return FALSE;
  const gint64 left = due - g_source_get_time(source);
  if (left <= 0) {
    *timeout = 0;
    return TRUE;
  }
  // Rounded up: a wake-up before the time would only go back to sleep.
  *timeout = static_cast<gint>(std::min<gint64>((left + 999) / 1000, G_MAXINT));
  return FALSE;
}

gboolean TGlibPulseLoop::Check(GSource* source) {
  TGlibPulseLoop& loop = *reinterpret_cast<TSource*>(source)->loop;
  if (loop.dispatching_) return FALSE;
  const bool io_ready = std::any_of(loop.io_events_.begin(), loop.io_events_.end(), [](const auto& event) {
    // A hang-up or an error comes whether asked for or not.
    return !event->dead && event->poll_fd.revents != 0;
  });
  if (io_ready || loop.AnyDeferEnabled()) return TRUE;
  const gint64 due = loop.EarliestDue();
  return due >= 0 && due <= g_source_get_time(source) ? TRUE : FALSE;
}

void TGlibPulseLoop::RunDeferred() {
  // By index: a callback may add events, which moves them.
  for (std::size_t i = 0; i < defer_events_.size(); ++i) {  // NOLINT(modernize-loop-convert)
    pa_defer_event* event = defer_events_[i].get();
    if (!event->dead && event->enabled) event->callback(&api_, event, event->userdata);
  }
}

gboolean TGlibPulseLoop::Dispatch(GSource* source, GSourceFunc, gpointer) {
  TGlibPulseLoop& loop = *reinterpret_cast<TSource*>(source)->loop;
  loop.dispatching_ = true;
  loop.MuteDescriptors(true);
  loop.RunDeferred();
  for (std::size_t i = 0; i < loop.io_events_.size(); ++i) {
    pa_io_event* event = loop.io_events_[i].get();
    const gushort ready = std::exchange(event->poll_fd.revents, 0);
    if (!event->dead && ready != 0) {
      event->callback(&loop.api_, event, event->poll_fd.fd, PulseFlags(ready), event->userdata);
    }
  }
  const gint64 now = g_get_monotonic_time();
  for (std::size_t i = 0; i < loop.time_events_.size(); ++i) {
    pa_time_event* event = loop.time_events_[i].get();
    if (event->dead || event->due < 0 || event->due > now) continue;
    // Once: a callback that wants another restarts it.
    event->due = -1;
    event->callback(&loop.api_, event, &event->when, event->userdata);
  }
  // What the answers just read asked for runs now rather than a pass later.
  loop.RunDeferred();
  loop.MuteDescriptors(false);
  loop.dispatching_ = false;
  if (loop.any_dead_) loop.Collect();
  return G_SOURCE_CONTINUE;
}

void TGlibPulseLoop::MuteDescriptors(bool muted) {
  for (const auto& event : io_events_) event->poll_fd.events = muted ? 0 : GlibConditions(event->wanted);
}

void TGlibPulseLoop::Collect() {
  // A destroy callback may free other events: they are collected by the
  // same walk, which goes round until none is left.
  if (collecting_) return;
  collecting_ = true;
  const auto collect = [this](auto& events) {
    for (std::size_t i = 0; i < events.size();) {
      if (!events[i]->dead) {
        ++i;
        continue;
      }
      auto gone = std::move(events[i]);
      events.erase(events.begin() + static_cast<std::ptrdiff_t>(i));
      if constexpr (std::is_same_v<std::decay_t<decltype(*gone)>, pa_io_event>) {
        if (source_) g_source_remove_poll(source_.get(), &gone->poll_fd);
      }
      if (gone->destroy != nullptr) gone->destroy(&api_, gone.get(), gone->userdata);
    }
  };
  while (std::exchange(any_dead_, false)) {
    collect(io_events_);
    collect(time_events_);
    collect(defer_events_);
  }
  collecting_ = false;
}

pa_io_event* TGlibPulseLoop::IoNew(pa_mainloop_api* api, int fd, pa_io_event_flags_t events, pa_io_event_cb_t callback,
                                   void* userdata) {
  auto& loop = *static_cast<TGlibPulseLoop*>(api->userdata);
  auto event = std::make_unique<pa_io_event>(
      pa_io_event{.loop = &loop, .poll_fd = {fd, 0, 0}, .wanted = events, .callback = callback, .userdata = userdata});
  event->poll_fd.events = loop.dispatching_ ? 0 : GlibConditions(events);
  g_source_add_poll(loop.source_.get(), &event->poll_fd);
  return loop.io_events_.emplace_back(std::move(event)).get();
}

void TGlibPulseLoop::IoEnable(pa_io_event* event, pa_io_event_flags_t events) {
  event->wanted = events;
  if (!event->loop->dispatching_) event->poll_fd.events = GlibConditions(events);
}

void TGlibPulseLoop::IoFree(pa_io_event* event) {
  event->dead = true;
  event->poll_fd.events = 0;
  event->loop->any_dead_ = true;
  if (!event->loop->dispatching_) event->loop->Collect();
}

void TGlibPulseLoop::IoSetDestroy(pa_io_event* event, pa_io_event_destroy_cb_t callback) { event->destroy = callback; }

pa_time_event* TGlibPulseLoop::TimeNew(pa_mainloop_api* api, const struct timeval* when, pa_time_event_cb_t callback,
                                       void* userdata) {
  auto& loop = *static_cast<TGlibPulseLoop*>(api->userdata);
  auto event = std::make_unique<pa_time_event>(pa_time_event{.loop = &loop,
                                                             .due = MonotonicDue(when),
                                                             .when = when != nullptr ? *when : timeval{},
                                                             .callback = callback,
                                                             .userdata = userdata});
  return loop.time_events_.emplace_back(std::move(event)).get();
}

void TGlibPulseLoop::TimeRestart(pa_time_event* event, const struct timeval* when) {
  event->due = MonotonicDue(when);
  if (when != nullptr) event->when = *when;
}

void TGlibPulseLoop::TimeFree(pa_time_event* event) {
  event->dead = true;
  event->loop->any_dead_ = true;
  if (!event->loop->dispatching_) event->loop->Collect();
}

void TGlibPulseLoop::TimeSetDestroy(pa_time_event* event, pa_time_event_destroy_cb_t callback) {
  event->destroy = callback;
}

pa_defer_event* TGlibPulseLoop::DeferNew(pa_mainloop_api* api, pa_defer_event_cb_t callback, void* userdata) {
  auto& loop = *static_cast<TGlibPulseLoop*>(api->userdata);
  auto event = std::make_unique<pa_defer_event>(
      pa_defer_event{.loop = &loop, .enabled = true, .callback = callback, .userdata = userdata});
  return loop.defer_events_.emplace_back(std::move(event)).get();
}

void TGlibPulseLoop::DeferEnable(pa_defer_event* event, int enabled) { event->enabled = enabled != 0; }

void TGlibPulseLoop::DeferFree(pa_defer_event* event) {
  event->dead = true;
  event->loop->any_dead_ = true;
  if (!event->loop->dispatching_) event->loop->Collect();
}

void TGlibPulseLoop::DeferSetDestroy(pa_defer_event* event, pa_defer_event_destroy_cb_t callback) {
  event->destroy = callback;
}

// Nobody runs this loop but GLib: there is nothing to quit.
void TGlibPulseLoop::Quit(pa_mainloop_api*, int) {}

}  // namespace snx
