#include "main/linux/pulse_capture.h"

#include <pulse/error.h>
#include <pulse/rtclock.h>
#include <pulse/timeval.h>

#include <algorithm>
#include <utility>

namespace snx {

namespace {

constexpr pa_sample_spec kSampleSpec = {.format = PA_SAMPLE_U8, .rate = kCaptureRate, .channels = kCaptureChannels};
// How long Start waits for the server to answer a connect.
constexpr pa_usec_t kConnectTimeout = 2 * PA_USEC_PER_SEC;

}  // namespace

void TPulseCapture::TMainloopFree::operator()(pa_threaded_mainloop* mainloop) const {
  pa_threaded_mainloop_free(mainloop);
}

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

void TPulseCapture::TSourceDestroy::operator()(GSource* source) const {
  g_source_destroy(source);
  g_source_unref(source);
}

TPulseCapture::TPulseCapture(TBufferMeasure& meter, TErrorReporter& reporter)
    : meter_(meter), reporter_(reporter), ui_context_(g_main_context_ref_thread_default()) {}

TPulseCapture::~TPulseCapture() {
  Release();
  // The server's thread has ended, so nothing can post a failure any more.
  const std::lock_guard lock(failure_mutex_);
  failure_source_.reset();
}

bool TPulseCapture::CaptureRunning() const { return running_; }

void TPulseCapture::Start() {
  if (running_) return;
  // A connection that failed while running is still held: it cannot be
  // reused, so it goes before a fresh one is made.
  Release();
  if (std::string error = Connect(); !error.empty()) {
    Release();
    reporter_.ShowError(error, kErrorCaption);
  }
}

void TPulseCapture::Stop() { Release(); }

void TPulseCapture::Release() {
  running_ = false;
  // Stopping the thread waits for a callback in progress; afterwards nothing
  // runs on the server's side, so the stream and context go without a lock.
  if (mainloop_) pa_threaded_mainloop_stop(mainloop_.get());
  stream_.reset();
  context_.reset();
  mainloop_.reset();
}

template <typename TDone>
bool TPulseCapture::WaitFor(TDone done) {
  timed_out_ = false;
  pa_time_event* timer = pa_context_rttime_new(context_.get(), pa_rtclock_now() + kConnectTimeout, WaitTimedOut, this);
  while (!done() && !timed_out_) pa_threaded_mainloop_wait(mainloop_.get());
  pa_threaded_mainloop_get_api(mainloop_.get())->time_free(timer);
  return done();
}

std::string TPulseCapture::Connect() {
  const std::string connect_failed = "PulseAudioに接続できませんでした: ";
  const std::string record_failed = "録音を開始できませんでした: ";
  mainloop_.reset(pa_threaded_mainloop_new());
  if (!mainloop_) return connect_failed + pa_strerror(PA_ERR_INTERNAL);
  context_.reset(pa_context_new(pa_threaded_mainloop_get_api(mainloop_.get()), "Sonalix"));
  if (!context_) return connect_failed + pa_strerror(PA_ERR_INTERNAL);
  pa_context_set_state_callback(context_.get(), ContextState, this);
  if (pa_threaded_mainloop_start(mainloop_.get()) < 0) return connect_failed + pa_strerror(PA_ERR_INTERNAL);

  // The lock is held from here on, except inside the waits.
  struct TLock {
    pa_threaded_mainloop* mainloop;
    explicit TLock(pa_threaded_mainloop* m) : mainloop(m) { pa_threaded_mainloop_lock(mainloop); }
    TLock(const TLock&) = delete;
    TLock& operator=(const TLock&) = delete;
    ~TLock() { pa_threaded_mainloop_unlock(mainloop); }
  } lock(mainloop_.get());

  // Without NOAUTOSPAWN a missing server could be started behind the user's
  // back instead of being reported.
  if (pa_context_connect(context_.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
    return connect_failed + pa_strerror(pa_context_errno(context_.get()));
  }
  const auto context_settled = [this] {
    const pa_context_state_t state = pa_context_get_state(context_.get());
    return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
  };
  if (!WaitFor(context_settled)) return connect_failed + pa_strerror(PA_ERR_TIMEOUT);
  if (pa_context_get_state(context_.get()) != PA_CONTEXT_READY) {
    return connect_failed + pa_strerror(pa_context_errno(context_.get()));
  }

  stream_.reset(pa_stream_new(context_.get(), "Sonalix", &kSampleSpec, nullptr));
  if (!stream_) return record_failed + pa_strerror(pa_context_errno(context_.get()));
  pa_stream_set_state_callback(stream_.get(), StreamState, this);
  pa_stream_set_read_callback(stream_.get(), StreamRead, this);
  // The server is asked for 10 ms pieces; what it sends is collected anyway.
  const pa_buffer_attr attributes = {.maxlength = static_cast<std::uint32_t>(-1),
                                     .tlength = static_cast<std::uint32_t>(-1),
                                     .prebuf = static_cast<std::uint32_t>(-1),
                                     .minreq = static_cast<std::uint32_t>(-1),
                                     .fragsize = kCaptureBufferSize};
  if (pa_stream_connect_record(stream_.get(), nullptr, &attributes, PA_STREAM_ADJUST_LATENCY) < 0) {
    return record_failed + pa_strerror(pa_context_errno(context_.get()));
  }
  const auto stream_settled = [this] {
    const pa_stream_state_t state = pa_stream_get_state(stream_.get());
    return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
  };
  if (!WaitFor(stream_settled)) return record_failed + pa_strerror(PA_ERR_TIMEOUT);
  if (pa_stream_get_state(stream_.get()) != PA_STREAM_READY) {
    return record_failed + pa_strerror(pa_context_errno(context_.get()));
  }
  current_ = 0;
  filled_ = 0;
  running_ = true;
  return {};
}

void TPulseCapture::Collect(const std::uint8_t* data, std::size_t length) {
  // Once Stop has begun, not even the sound already received is measured.
  while (length > 0 && running_) {
    const std::size_t n = std::min(length, kCaptureBufferSize - filled_);
    std::copy_n(data, n, buffers_[current_].begin() + static_cast<std::ptrdiff_t>(filled_));
    data += n;
    length -= n;
    filled_ += n;
    if (filled_ == kCaptureBufferSize) {
      meter_.MeasureBuffer(buffers_[current_].data(), kCaptureBufferSize);
      current_ = (current_ + 1) % kBufferCount;
      filled_ = 0;
    }
  }
}

void TPulseCapture::ConnectionFailed(int error) {
  // Only a running capture reports here; a failure during Start is Start's.
  if (!running_.exchange(false)) return;
  const std::lock_guard lock(failure_mutex_);
  failure_text_ = std::string("PulseAudioとの接続が切れました: ") + pa_strerror(error);
  // The box is modal: it is shown from the user-interface thread's loop,
  // never here, where it would hold up the server's thread.
  if (failure_source_) return;
  failure_source_.reset(g_idle_source_new());
  g_source_set_callback(failure_source_.get(), ShowFailure, this, nullptr);
  g_source_attach(failure_source_.get(), ui_context_.get());
}

gboolean TPulseCapture::ShowFailure(gpointer self) {
  auto* capture = static_cast<TPulseCapture*>(self);
  std::string text;
  {
    const std::lock_guard lock(capture->failure_mutex_);
    text = std::move(capture->failure_text_);
    // Released, not destroyed: this source is being dispatched and goes
    // when the callback returns G_SOURCE_REMOVE.
    g_source_unref(capture->failure_source_.release());
  }
  capture->reporter_.ShowError(text, kErrorCaption);
  return G_SOURCE_REMOVE;
}

void TPulseCapture::ContextState(pa_context* context, void* self) {
  auto* capture = static_cast<TPulseCapture*>(self);
  if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context))) capture->ConnectionFailed(pa_context_errno(context));
  pa_threaded_mainloop_signal(capture->mainloop_.get(), 0);
}

void TPulseCapture::StreamState(pa_stream* stream, void* self) {
  auto* capture = static_cast<TPulseCapture*>(self);
  if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) {
    capture->ConnectionFailed(pa_context_errno(pa_stream_get_context(stream)));
  }
  pa_threaded_mainloop_signal(capture->mainloop_.get(), 0);
}

void TPulseCapture::StreamRead(pa_stream* stream, std::size_t, void* self) {
  auto* capture = static_cast<TPulseCapture*>(self);
  const void* data = nullptr;
  std::size_t length = 0;
  while (capture->running_ && pa_stream_readable_size(stream) > 0 && pa_stream_peek(stream, &data, &length) == 0 &&
         length > 0) {
    // A hole (no data for `length` bytes) is skipped rather than measured.
    if (data != nullptr) capture->Collect(static_cast<const std::uint8_t*>(data), length);
    pa_stream_drop(stream);
  }
}

void TPulseCapture::WaitTimedOut(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self) {
  auto* capture = static_cast<TPulseCapture*>(self);
  capture->timed_out_ = true;
  pa_threaded_mainloop_signal(capture->mainloop_.get(), 0);
}

}  // namespace snx
