#include "main/linux/glib_pulse_loop.h"

#include <gtest/gtest.h>
#include <pulse/rtclock.h>
#include <pulse/timeval.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

namespace snx {
namespace {

// A private context whose polls are watched: a poll that returns for any
// descriptor but the events' own was the context waking itself.
class GlibPulseLoopTest : public ::testing::Test {
 protected:
  GlibPulseLoopTest() {
    Watched = this;
    g_main_context_set_poll_func(context_, [](GPollFD* fds, guint count, gint timeout) -> gint {
      const gint ready = g_poll(fds, count, timeout);
      for (guint i = 0; i < count; ++i) {
        if (fds[i].revents != 0 && fds[i].fd != Watched->sound_) ++Watched->self_wakes_;
      }
      return ready;
    });
  }
  ~GlibPulseLoopTest() override {
    close(sound_);
    g_main_context_unref(context_);
    Watched = nullptr;
  }

  // Runs the context until `done`, for at most two seconds: a wake-up every
  // 50 ms keeps a pass from waiting for ever on an event that never comes.
  template <class TDone>
  bool RunUntil(TDone done) {
    GSource* nudge = g_timeout_source_new(50);
    g_source_set_callback(
        nudge, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr, nullptr);
    g_source_attach(nudge, context_);
    const gint64 deadline = g_get_monotonic_time() + gint64{2} * G_USEC_PER_SEC;
    while (!done() && g_get_monotonic_time() < deadline) g_main_context_iteration(context_, TRUE);
    g_source_destroy(nudge);
    g_source_unref(nudge);
    return done();
  }

  // The poll function has no user data.
  static inline GlibPulseLoopTest* Watched = nullptr;

  GMainContext* context_ = g_main_context_new();
  int sound_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  int self_wakes_ = 0;
};

// What libpulse does with each piece of sound: the descriptor's callback
// reads it, enables a deferred event that disables itself, and moves a
// time limit on.
struct TPulseLike {
  pa_mainloop_api* api;
  int fd;
  pa_defer_event* defer = nullptr;
  pa_time_event* limit = nullptr;
  int pieces = 0;
  int deferred = 0;
};

TEST_F(GlibPulseLoopTest, EachPieceIsOnePassAndTheContextNeverWakesItself) {
  TGlibPulseLoop loop(context_);
  TPulseLike pulse{loop.Api(), sound_};
  pulse.defer = pulse.api->defer_new(
      pulse.api,
      [](pa_mainloop_api* api, pa_defer_event* event, void* self) {
        ++static_cast<TPulseLike*>(self)->deferred;
        api->defer_enable(event, 0);
      },
      &pulse);
  pulse.api->defer_enable(pulse.defer, 0);
  pulse.limit = pulse.api->time_new(
      pulse.api, nullptr, [](pa_mainloop_api*, pa_time_event*, const timeval*, void*) {}, nullptr);
  pa_io_event* io = pulse.api->io_new(
      pulse.api, sound_, PA_IO_EVENT_INPUT,
      [](pa_mainloop_api* api, pa_io_event*, int fd, pa_io_event_flags_t, void* self) {
        auto& like = *static_cast<TPulseLike*>(self);
        std::uint64_t count = 0;
        ASSERT_EQ(read(fd, &count, sizeof count), static_cast<ssize_t>(sizeof count));
        ++like.pieces;
        api->defer_enable(like.defer, 1);
        timeval later{};
        api->time_restart(like.limit, pa_timeval_add(pa_gettimeofday(&later), 30 * PA_USEC_PER_SEC));
      },
      &pulse);
  // Adding a descriptor wakes the context once, as it should.
  while (g_main_context_iteration(context_, FALSE)) {
  }
  self_wakes_ = 0;
  constexpr int kPieces = 20;
  int passes = 0;
  for (int piece = 1; piece <= kPieces; ++piece) {
    const std::uint64_t one = 1;
    ASSERT_EQ(write(sound_, &one, sizeof one), static_cast<ssize_t>(sizeof one));
    while (pulse.pieces < piece || pulse.deferred < piece) {
      ASSERT_LT(passes, kPieces * 4) << "the piece was not dispatched";
      g_main_context_iteration(context_, TRUE);
      ++passes;
    }
  }
  // Nothing is left to do: a pass would only wait.
  EXPECT_FALSE(g_main_context_pending(context_));
  EXPECT_EQ(passes, kPieces) << "what a piece asked for ran a pass later";
  EXPECT_EQ(self_wakes_, 0);
  pulse.api->io_free(io);
  pulse.api->defer_free(pulse.defer);
  pulse.api->time_free(pulse.limit);
}

struct TTimed {
  int fired = 0;
  gint64 fired_at = 0;
  bool destroyed = false;
};

// libpulse marks a time on the monotonic clock by this bit of its microseconds.
timeval MonotonicIn(pa_usec_t delay) {
  const pa_usec_t at = pa_rtclock_now() + delay;
  return timeval{.tv_sec = static_cast<time_t>(at / PA_USEC_PER_SEC),
                 .tv_usec = static_cast<suseconds_t>(at % PA_USEC_PER_SEC) | (suseconds_t{1} << 30)};
}

timeval WallClockIn(pa_usec_t delay) {
  timeval now{};
  return *pa_timeval_add(pa_gettimeofday(&now), delay);
}

class GlibPulseLoopTimeTest : public GlibPulseLoopTest, public ::testing::WithParamInterface<timeval (*)(pa_usec_t)> {};

TEST_P(GlibPulseLoopTimeTest, FiresOnceAtItsTimeAndGoesWithItsDestroyCallback) {
  TTimed timed;
  {
    TGlibPulseLoop loop(context_);
    pa_mainloop_api* api = loop.Api();
    constexpr pa_usec_t kDelay = 30 * PA_USEC_PER_MSEC;
    const gint64 start = g_get_monotonic_time();
    const timeval when = GetParam()(kDelay);
    pa_time_event* event = api->time_new(
        api, &when,
        [](pa_mainloop_api*, pa_time_event*, const timeval*, void* self) {
          auto& state = *static_cast<TTimed*>(self);
          ++state.fired;
          state.fired_at = g_get_monotonic_time();
        },
        &timed);
    api->time_set_destroy(
        event, [](pa_mainloop_api*, pa_time_event*, void* self) { static_cast<TTimed*>(self)->destroyed = true; });
    ASSERT_TRUE(RunUntil([&] { return timed.fired > 0; }));
    EXPECT_GE(timed.fired_at - start, static_cast<gint64>(kDelay) - 1000) << "fired early";
    EXPECT_LT(timed.fired_at - start, static_cast<gint64>(kDelay) + G_USEC_PER_SEC) << "fired late";
    // Once: nothing more is due.
    EXPECT_FALSE(g_main_context_iteration(context_, FALSE));
    EXPECT_EQ(timed.fired, 1);
    EXPECT_FALSE(timed.destroyed);
  }
  // The loop went with the event still held: it freed it.
  EXPECT_TRUE(timed.destroyed);
}

INSTANTIATE_TEST_SUITE_P(Clocks, GlibPulseLoopTimeTest, ::testing::Values(MonotonicIn, WallClockIn),
                         [](const ::testing::TestParamInfo<timeval (*)(pa_usec_t)>& clock) {
                           return clock.index == 0 ? std::string("Monotonic") : std::string("WallClock");
                         });

TEST_F(GlibPulseLoopTest, AnEventFreedInsideACallbackGoesOnceAndRunsNoMore) {
  TGlibPulseLoop loop(context_);
  pa_mainloop_api* api = loop.Api();
  struct TState {
    int runs = 0;
    int destroyed = 0;
  } state;
  // Frees itself on its first run, as pa_mainloop_api_once does.
  pa_defer_event* once = api->defer_new(
      api,
      [](pa_mainloop_api* a, pa_defer_event* event, void* self) {
        ++static_cast<TState*>(self)->runs;
        a->defer_free(event);
      },
      &state);
  api->defer_set_destroy(
      once, [](pa_mainloop_api*, pa_defer_event*, void* self) { ++static_cast<TState*>(self)->destroyed; });
  ASSERT_TRUE(RunUntil([&] { return state.destroyed > 0; }));
  while (g_main_context_iteration(context_, FALSE)) {
  }
  EXPECT_EQ(state.runs, 1);
  EXPECT_EQ(state.destroyed, 1);
}

}  // namespace
}  // namespace snx
