#pragma once
// Capture from the default PulseAudio source: the server's pieces are
// collected into two 10 ms buffers that go to the meter in turn.
#include <glib.h>
#include <pulse/context.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "main/core/capture_source.h"
#include "main/core/error_reporter.h"
#include "main/core/level_meter.h"

namespace snx {

// Start and Stop run on the user-interface thread, whose GLib main context
// (the thread-default one when the object is made) also shows the failures
// found while capture runs. The meter is called on the server's thread.
class TPulseCapture final : public TCaptureSource {
 public:
  static constexpr std::size_t kBufferCount = 2;

  TPulseCapture(TBufferMeasure& meter, TErrorReporter& reporter);
  TPulseCapture(const TPulseCapture&) = delete;
  TPulseCapture& operator=(const TPulseCapture&) = delete;
  ~TPulseCapture() override;

  // Connects a fresh context and record stream, waiting at most a couple of
  // seconds for each; also the way back after the server went away.
  void Start() override;
  // Never waits on the server, only on a buffer being measured.
  void Stop() override;
  // False as soon as Stop has begun or the connection failed.
  bool CaptureRunning() const override;

 private:
  struct TMainloopFree {
    void operator()(pa_threaded_mainloop* mainloop) const;
  };
  struct TContextRelease {
    void operator()(pa_context* context) const;
  };
  struct TStreamRelease {
    void operator()(pa_stream* stream) const;
  };
  struct TMainContextUnref {
    void operator()(GMainContext* context) const { g_main_context_unref(context); }
  };
  struct TSourceDestroy {
    void operator()(GSource* source) const;
  };

  // Empty when connected, otherwise the text to show.
  std::string Connect();
  // Waits, with the mainloop locked, until `done` holds or the time is up.
  template <typename TDone>
  bool WaitFor(TDone done);
  void Release();
  void Collect(const std::uint8_t* data, std::size_t length);
  // On the server's thread: the connection broke while capture ran.
  void ConnectionFailed(int error);
  static gboolean ShowFailure(gpointer self);

  static void ContextState(pa_context* context, void* self);
  static void StreamState(pa_stream* stream, void* self);
  static void StreamRead(pa_stream* stream, std::size_t length, void* self);
  static void WaitTimedOut(pa_mainloop_api* api, pa_time_event* event, const struct timeval* when, void* self);

  TBufferMeasure& meter_;
  TErrorReporter& reporter_;
  std::unique_ptr<GMainContext, TMainContextUnref> ui_context_;

  // Declared in this order so that the stream goes before its context and
  // both before the thread that serves them.
  std::unique_ptr<pa_threaded_mainloop, TMainloopFree> mainloop_;
  std::unique_ptr<pa_context, TContextRelease> context_;
  std::unique_ptr<pa_stream, TStreamRelease> stream_;
  std::atomic<bool> running_ = false;
  // Set by a waiting Start's timer, under the mainloop lock.
  bool timed_out_ = false;

  // Filled on the server's thread only.
  std::array<std::array<std::uint8_t, kCaptureBufferSize>, kBufferCount> buffers_{};
  std::size_t current_ = 0;
  std::size_t filled_ = 0;

  // A failure waiting to be shown on the user-interface thread.
  std::mutex failure_mutex_;
  std::string failure_text_;
  std::unique_ptr<GSource, TSourceDestroy> failure_source_;
};

}  // namespace snx
