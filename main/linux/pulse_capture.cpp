#include "main/linux/pulse_capture.h"

#include <pulse/error.h>
#include <pulse/rtclock.h>
#include <pulse/timeval.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

#include "framework/linux/guarded.h"

namespace snx {

namespace {

constexpr pa_sample_spec kSampleSpec = {.format = PA_SAMPLE_U8, .rate = kCaptureRate, .channels = kCaptureChannels};
constexpr std::string_view kConnectFailed = "PulseAudioに接続できませんでした: ";
constexpr std::string_view kRecordFailed = "録音を開始できませんでした: ";
constexpr std::string_view kConnectionLost = "PulseAudioとの接続が切れました: ";

std::string Message(std::string_view what, int error) { return std::string(what) + pa_strerror(error); }

}  // namespace

void TPulseCapture::TContextRelease::operator()(pa_context* context) const {
  pa_context_set_state_callback(context, nullptr, nullptr);
  pa_context_disconnect(context);
  pa_context_unref(context);
}

void TPulseCapture::TStreamRelease::operator()(pa_stream* stream) const {
  pa_stream_set_state_callback(stream, nullptr, nullptr);
  pa_stream_set_read_callback(stream, nullptr, nullptr);
  pa_stream_disconnect(stream);
  pa_stream_unref(stream);
}

TPulseCapture::TPulseCapture(TBufferMeasure& meter, TErrorReporter& reporter, std::chrono::milliseconds connect_timeout)
    : reporter_(reporter),
      connect_timeout_(connect_timeout),
      ui_context_(g_main_context_ref_thread_default()),
      loop_(ui_context_.get()),
      collector_(meter) {}

TPulseCapture::~TPulseCapture() {
  Release();
  failure_source_.reset();
}

bool TPulseCapture::CaptureRunning() const { return phase_ == TPhase::phRunning; }

bool TPulseCapture::CaptureIdle() const { return phase_ == TPhase::phStopped; }

void TPulseCapture::Start() {
  if (phase_ != TPhase::phStopped) return;
  // A connection that failed is still held: it cannot be reused, so it goes
  // before a fresh one is made.
  Release();
  device_ = chosen_device_;
  phase_ = TPhase::phConnecting;
  BeginConnect();
}

void TPulseCapture::Stop() { Release(); }

void TPulseCapture::Release() {
  phase_ = TPhase::phStopped;
  // Also inside the meter, called from the stream's read callback: libpulse
  // holds the context through its callbacks, and nothing here touches the
  // stream once it is released.
  if (timer_ != nullptr) loop_.Api()->time_free(std::exchange(timer_, nullptr));
  stream_.reset();
  context_.reset();
}

void TPulseCapture::BeginConnect() {
  context_.reset(pa_context_new(loop_.Api(), "Sonalix"));
  if (!context_) return Failed(PA_ERR_INTERNAL);
  pa_context_set_state_callback(context_.get(), ContextState, this);
  // Without NOAUTOSPAWN a missing server could be started behind the user's
  // back instead of being reported. A connect that fails at once may have
  // reported through the state callback already; Failed reports once.
  if (pa_context_connect(context_.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
    Failed(pa_context_errno(context_.get()));
  } else {
    ArmTimer();
  }
}

void TPulseCapture::ArmTimer() {
  pa_mainloop_api* api = loop_.Api();
  if (timer_ != nullptr) api->time_free(timer_);
  const auto microseconds = std::chrono::duration_cast<std::chrono::microseconds>(connect_timeout_).count();
  timer_ =
      pa_context_rttime_new(context_.get(), pa_rtclock_now() + static_cast<pa_usec_t>(microseconds), TimedOut, this);
}

void TPulseCapture::ContextReady() {
  if (phase_ != TPhase::phConnecting) return;
  phase_ = TPhase::phRecording;
  stream_.reset(pa_stream_new(context_.get(), "Sonalix", &kSampleSpec, nullptr));
  if (!stream_) return Failed(pa_context_errno(context_.get()));
  pa_stream_set_state_callback(stream_.get(), StreamState, this);
  pa_stream_set_read_callback(stream_.get(), StreamRead, this);
  // The server is asked for 10 ms pieces; what it sends is collected anyway.
  const pa_buffer_attr attributes = {.maxlength = static_cast<std::uint32_t>(-1),
                                     .tlength = static_cast<std::uint32_t>(-1),
                                     .prebuf = static_cast<std::uint32_t>(-1),
                                     .minreq = static_cast<std::uint32_t>(-1),
                                     .fragsize = kCaptureBufferSize};
  // The server would move a stream whose source goes to another one.
  const bool chosen = !device_.empty();
  const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | (chosen ? PA_STREAM_DONT_MOVE : 0));
  if (pa_stream_connect_record(stream_.get(), chosen ? device_.c_str() : nullptr, &attributes, flags) < 0) {
    return Failed(pa_context_errno(context_.get()));
  }
  ArmTimer();
}

void TPulseCapture::StreamReady() {
  if (phase_ != TPhase::phRecording) return;
  loop_.Api()->time_free(std::exchange(timer_, nullptr));
  collector_.Restart();
  phase_ = TPhase::phRunning;
}

void TPulseCapture::Failed(int error) {
  if (timer_ != nullptr) loop_.Api()->time_free(std::exchange(timer_, nullptr));
  // A chosen source that is not there, or that the server took away with
  // the stream, is named.
  const bool source_missing = !device_.empty() && (error == PA_ERR_NOENTITY || error == PA_ERR_KILLED);
  // Each attempt and each capture reports once; after Stop, nothing does.
  switch (std::exchange(phase_, TPhase::phStopped)) {
    case TPhase::phConnecting:
      Report(Message(kConnectFailed, error));
      break;
    case TPhase::phRecording:
      Report(source_missing ? std::string(kInputMissing) + device_ : Message(kRecordFailed, error));
      break;
    case TPhase::phRunning:
      Report(source_missing ? std::string(kInputGone) + device_ : Message(kConnectionLost, error));
      break;
    case TPhase::phStopped:
      break;
  }
}

void TPulseCapture::Collect(const std::uint8_t* data, std::size_t length) {
  // The meter may tick and draw: nothing it raises unwinds through libpulse
  // (the rest of this piece then goes unmeasured).
  Guarded([&] {
    // Once Stop has begun, also inside the meter, not even the sound
    // already received is measured.
    while (length > 0 && phase_ == TPhase::phRunning) {
      const std::size_t n = collector_.Take(data, length);
      data += n;
      length -= n;
    }
  });
}

void TPulseCapture::Delivered() {
  Guarded([&] { collector_.Delivered(); });
}

void TPulseCapture::Report(std::string text) {
  failure_text_ = std::move(text);
  // The box is modal: it is shown from the loop, never inside the server's
  // callback, which would run the loop again from within libpulse.
  if (failure_source_) return;
  failure_source_.reset(g_idle_source_new());
  g_source_set_callback(failure_source_.get(), ShowFailure, this, nullptr);
  g_source_attach(failure_source_.get(), ui_context_.get());
}

gboolean TPulseCapture::ShowFailure(gpointer self) {
  auto* capture = static_cast<TPulseCapture*>(self);
  const std::string text = std::move(capture->failure_text_);
  // Released, not destroyed: this source is being dispatched and goes
  // when the callback returns G_SOURCE_REMOVE.
  g_source_unref(capture->failure_source_.release());
  capture->reporter_.ShowError(text, kErrorCaption);
  return G_SOURCE_REMOVE;
}

void TPulseCapture::ContextState(pa_context* context, void* self) {
  auto* capture = static_cast<TPulseCapture*>(self);
  const pa_context_state_t state = pa_context_get_state(context);
  if (state == PA_CONTEXT_READY) {
    capture->ContextReady();
  } else if (!PA_CONTEXT_IS_GOOD(state)) {
    capture->Failed(pa_context_errno(context));
  }
}

void TPulseCapture::StreamState(pa_stream* stream, void* self) {
  auto* capture = static_cast<TPulseCapture*>(self);
  const pa_stream_state_t state = pa_stream_get_state(stream);
  if (state == PA_STREAM_READY) {
    capture->StreamReady();
  } else if (!PA_STREAM_IS_GOOD(state)) {
    capture->Failed(pa_context_errno(pa_stream_get_context(stream)));
  }
}

void TPulseCapture::StreamRead(pa_stream* stream, std::size_t readable, void* self) {
  auto* capture = static_cast<TPulseCapture*>(self);
  const void* data = nullptr;
  std::size_t length = 0;
  // Exactly what the stream holds: one more peek to find it empty would cost
  // a system call per piece (libpulse checks for a fork at every call), and
  // the server sends a 10 ms block in several pieces.
  while (readable > 0 && capture->phase_ == TPhase::phRunning && pa_stream_peek(stream, &data, &length) == 0 &&
         length > 0) {
    // A hole (no data for `length` bytes) is skipped rather than measured.
    if (data != nullptr) capture->Collect(static_cast<const std::uint8_t*>(data), length);
    // Stopped inside the meter: the stream is gone.
    if (capture->phase_ != TPhase::phRunning) return;
    pa_stream_drop(stream);
    readable -= std::min(readable, length);
  }
  if (capture->phase_ == TPhase::phRunning) capture->Delivered();
}

void TPulseCapture::TimedOut(pa_mainloop_api* api, pa_time_event* event, const struct timeval*, void* self) {
  auto* capture = static_cast<TPulseCapture*>(self);
  api->time_free(event);
  capture->timer_ = nullptr;
  capture->Failed(PA_ERR_TIMEOUT);
}

}  // namespace snx
