#pragma once
// Capture from the default PulseAudio source, or from the one chosen: the
// server's pieces are collected into 10 ms buffers, each measured as soon as
// its middle frame is in.
#include <glib.h>
#include <pulse/context.h>
#include <pulse/stream.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "framework/linux/handles.h"
#include "main/core/capture_source.h"
#include "main/core/error_reporter.h"
#include "main/core/level_meter.h"
#include "main/core/middle_frame_collector.h"
#include "main/linux/glib_pulse_loop.h"

namespace snx {

// Everything runs on the user-interface thread, on its GLib main context
// (the thread-default one when the object is made): Start and Stop, the
// server's answers, the meter, and the failures, shown from the loop. A
// Start never waits on the server, so a failed attempt is shown when it
// fails.
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
  // Ends capture or an attempt under way, also from inside the meter; never
  // waits on the server.
  void Stop() override;
  // A source's name, "" for the server's default. A chosen source is never
  // left for another: one that is missing or goes is reported.
  void SetDevice(std::string id) override { chosen_device_ = std::move(id); }
  // Sound is being delivered: false while connecting, once Stop has begun
  // and once the connection failed.
  bool CaptureRunning() const override;
  // After Stop or a failure.
  bool CaptureIdle() const override;

 private:
  enum class TPhase : std::uint8_t { phStopped, phConnecting, phRecording, phRunning };

  struct TContextRelease {
    void operator()(pa_context* context) const;
  };
  struct TStreamRelease {
    void operator()(pa_stream* stream) const;
  };
  struct TMainContextUnref {
    void operator()(GMainContext* context) const { g_main_context_unref(context); }
  };

  void BeginConnect();
  void Release();
  void ContextReady();
  void StreamReady();
  void Failed(int error);
  void ArmTimer();
  void Collect(const std::uint8_t* data, std::size_t length);
  // All the server has sent so far has been collected.
  void Delivered();
  // Shows `text` from the user-interface thread's loop.
  void Report(std::string text);
  static gboolean ShowFailure(gpointer self);

  static void ContextState(pa_context* context, void* self);
  static void StreamState(pa_stream* stream, void* self);
  static void StreamRead(pa_stream* stream, std::size_t readable, void* self);
  static void TimedOut(pa_mainloop_api* api, pa_time_event* event, const struct timeval* when, void* self);

  TErrorReporter& reporter_;
  const std::chrono::milliseconds connect_timeout_;
  // What SetDevice chose, and what the attempt under way records from, taken
  // at its Start while no server's thread runs.
  std::string chosen_device_;
  std::string device_;
  std::unique_ptr<GMainContext, TMainContextUnref> ui_context_;

  // Declared in this order so that the stream goes before its context and
  // both before the loop that serves them.
  TGlibPulseLoop loop_;
  std::unique_ptr<pa_context, TContextRelease> context_;
  std::unique_ptr<pa_stream, TStreamRelease> stream_;
  // Where the current attempt has got to; set to stopped by Stop and by a failure.
  TPhase phase_ = TPhase::phStopped;
  // The time limit of the attempt's current step.
  pa_time_event* timer_ = nullptr;

  TMiddleFrameCollector collector_;

  // A failure waiting to be shown from the loop.
  std::string failure_text_;
  UniqueSource failure_source_;
};

}  // namespace snx
