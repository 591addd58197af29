#pragma once
// Capture from the default PulseAudio source: the server's pieces are
// collected into one 10 ms buffer, measured as soon as it is full.
#include <glib.h>
#include <pulse/context.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>

#include <array>
#include <atomic>
#include <chrono>
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
// (the thread-default one when the object is made) also shows the failures:
// a Start never waits on the server, so a failed attempt is shown when it
// fails. The meter is called on the server's thread.
class TPulseCapture final : public TCaptureSource {
 public:
  // An attempt whose connection or record stream is not ready within
  // `connect_timeout` each fails.
  TPulseCapture(TBufferMeasure& meter, TErrorReporter& reporter,
                std::chrono::milliseconds connect_timeout = std::chrono::seconds(2));
  TPulseCapture(const TPulseCapture&) = delete;
  TPulseCapture& operator=(const TPulseCapture&) = delete;
  ~TPulseCapture() override;

  // Begins to connect a fresh context and record stream and returns; also
  // the way back after the server went away. Does nothing while capturing
  // or while an attempt is under way.
  void Start() override;
  // Ends capture or an attempt under way; never waits on the server, only on
  // a buffer being measured.
  void Stop() override;
  // Sound is being delivered: false while connecting, once Stop has begun
  // and once the connection failed.
  bool CaptureRunning() const override;
  // After Stop or a failure; a failure comes on the server's thread after
  // the last buffer it measured.
  bool CaptureIdle() const override;

 private:
  enum class TPhase : std::uint8_t { phStopped, phConnecting, phRecording, phRunning };

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

  void BeginConnect();
  void Release();
  // On the server's thread, or on the user-interface thread while it
  // starts that thread, with the mainloop locked.
  void ContextReady();
  void StreamReady();
  void Failed(int error);
  void ArmTimer();
  void Collect(const std::uint8_t* data, std::size_t length);
  // Shows `text` from the user-interface thread's loop.
  void Report(std::string text);
  static gboolean ShowFailure(gpointer self);

  static void ContextState(pa_context* context, void* self);
  static void StreamState(pa_stream* stream, void* self);
  static void StreamRead(pa_stream* stream, std::size_t length, void* self);
  static void TimedOut(pa_mainloop_api* api, pa_time_event* event, const struct timeval* when, void* self);

  TBufferMeasure& meter_;
  TErrorReporter& reporter_;
  const std::chrono::milliseconds connect_timeout_;
  std::unique_ptr<GMainContext, TMainContextUnref> ui_context_;

  // Declared in this order so that the stream goes before its context and
  // both before the thread that serves them.
  std::unique_ptr<pa_threaded_mainloop, TMainloopFree> mainloop_;
  std::unique_ptr<pa_context, TContextRelease> context_;
  std::unique_ptr<pa_stream, TStreamRelease> stream_;
  // Where the current attempt has got to; set to stopped by Stop and by a failure.
  std::atomic<TPhase> phase_ = TPhase::phStopped;
  // The time limit of the attempt's current step, under the mainloop lock.
  pa_time_event* timer_ = nullptr;

  // Filled on the server's thread only; the meter is done with it before
  // the next piece arrives, so one is enough.
  std::array<std::uint8_t, kCaptureBufferSize> buffer_{};
  std::size_t filled_ = 0;

  // A failure waiting to be shown on the user-interface thread.
  std::mutex failure_mutex_;
  std::string failure_text_;
  std::unique_ptr<GSource, TSourceDestroy> failure_source_;
};

}  // namespace snx
