#include "main/winmm/winmm_capture.h"

#include <string>
#include <utility>

namespace snx {

namespace {

constexpr TWaveFormat kWaveFormat = {
    .format_tag = 1,  // PCM
    .channels = kCaptureChannels,
    .samples_per_sec = kCaptureRate,
    .avg_bytes_per_sec = kCaptureBytesPerSecond,
    .block_align = kCaptureFrameSize,
    .bits_per_sample = kCaptureBitsPerSample,
};

}  // namespace

bool TWinmmCapture::DeviceGone(std::uint32_t open_result) const {
  // No such device, no driver, or a driver whose device has gone (Wine's
  // answer for an input unplugged since the program started, whose list of
  // devices it keeps).
  constexpr std::uint32_t kBadDeviceId = 2;
  constexpr std::uint32_t kNotEnabled = 3;
  constexpr std::uint32_t kNoDriver = 6;
  return !device_name_.empty() &&
         (open_result == kBadDeviceId || open_result == kNotEnabled || open_result == kNoDriver);
}

std::optional<std::uint32_t> FindWaveInDevice(const std::vector<std::string>& names, const std::string& name,
                                              std::uint32_t last) {
  if (last < names.size() && names[last] == name) return last;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i] == name) return static_cast<std::uint32_t>(i);
  }
  return std::nullopt;
}

TWinmmCapture::TWinmmCapture(TWaveInDevice& device, TBufferMeasure& meter, TErrorReporter& reporter)
    : device_(device), meter_(meter), reporter_(reporter) {}

TWinmmCapture::~TWinmmCapture() { Stop(); }

bool TWinmmCapture::CaptureRunning() const {
  const std::lock_guard lock(mutex_);
  return capture_running_;
}

void TWinmmCapture::Start() {
  if (CaptureRunning()) return;
  std::uint32_t device_id = kWaveMapper;
  if (!device_name_.empty()) {
    const std::optional<std::uint32_t> found = FindWaveInDevice(device_.DeviceNames(), device_name_, last_device_);
    // Never another device in its place: the user chose this one.
    if (!found) {
      reporter_.ShowError(std::string(kInputMissing) + device_name_, kErrorCaption);
      return;
    }
    device_id = *found;
  }
  {
    const std::lock_guard lock(mutex_);
    for (auto& buffer : WaveBuffers) buffer = std::make_unique<std::uint8_t[]>(kBufferSize);
    BufferBusy = {};
    hand_back_pending_ = {};
    requeuing_ = {};
    completed_early_ = {};
  }
  for (std::size_t i = 0; i < kBufferCount; ++i) {
    device_.SetHeader(i, WaveBuffers[i].get(), kBufferSize);
  }
  if (const std::uint32_t result = device_.Open(kWaveFormat, *this, device_id); result != 0) {
    ReleaseBuffers();
    reporter_.ShowError(DeviceGone(result) ? std::string(kInputMissing) + device_name_
                                           : "waveInOpenに失敗しました: " + std::to_string(result),
                        kErrorCaption);
    return;
  }
  last_device_ = device_id;
  {
    const std::lock_guard lock(mutex_);
    accepting_ = true;
  }
  hand_back_ = std::thread(&TWinmmCapture::HandBackLoop, this);
  for (std::size_t i = 0; i < kBufferCount; ++i) device_.PrepareHeader(i);
  for (std::size_t i = 0; i < kBufferCount; ++i) device_.AddBuffer(i);
  if (const std::uint32_t result = device_.Start(); result != 0) {
    CloseDevice();
    ReleaseBuffers();
    reporter_.ShowError("waveInStartに失敗しました: " + std::to_string(result), kErrorCaption);
    return;
  }
  const std::lock_guard lock(mutex_);
  capture_running_ = true;
}

void TWinmmCapture::Stop() {
  if (!CaptureRunning()) return;
  CloseDevice();
  ReleaseBuffers();
}

void TWinmmCapture::CloseDevice() {
  {
    std::unique_lock lock(mutex_);
    capture_running_ = false;
    accepting_ = false;
    changed_.notify_all();
    changed_.wait(lock, [this] { return measuring_ == 0; });
  }
  hand_back_.join();
  // The reset returns the queued buffers partly filled; notifications for
  // them are no longer accepted, so nothing touches the buffers after this.
  device_.Reset();
  for (std::size_t i = 0; i < kBufferCount; ++i) device_.UnprepareHeader(i);
  device_.Close();
}

void TWinmmCapture::ReleaseBuffers() {
  const std::lock_guard lock(mutex_);
  for (auto& buffer : WaveBuffers) buffer.reset();
}

void TWinmmCapture::BufferDone(std::size_t index, std::uint32_t bytes_recorded) {
  if (index >= kBufferCount) return;
  const std::uint8_t* data = nullptr;
  {
    const std::lock_guard lock(mutex_);
    if (!accepting_) return;
    if (BufferBusy[index]) {
      // Only a buffer the device owns again can really have been filled; any
      // other report for a busy buffer is a repeat.
      if (requeuing_[index] && bytes_recorded >= kBufferSize) completed_early_[index] = true;
      return;
    }
    BufferBusy[index] = true;
    // A partly filled buffer stays out of circulation until the next Start.
    if (bytes_recorded < kBufferSize) return;
    ++measuring_;
    data = WaveBuffers[index].get();
  }
  meter_.MeasureBuffer(data, kBufferSize);
  const std::lock_guard lock(mutex_);
  --measuring_;
  hand_back_pending_[index] = true;
  changed_.notify_all();
}

void TWinmmCapture::HandBackLoop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return !accepting_ || hand_back_pending_[0] || hand_back_pending_[1]; });
    // Once Stop has begun nothing goes back: the device is about to be reset.
    if (!accepting_) return;
    const std::size_t index = hand_back_pending_[0] ? 0 : 1;
    hand_back_pending_[index] = false;
    lock.unlock();
    device_.UnprepareHeader(index);
    device_.PrepareHeader(index);
    lock.lock();
    requeuing_[index] = true;
    lock.unlock();
    device_.AddBuffer(index);
    lock.lock();
    requeuing_[index] = false;
    BufferBusy[index] = false;
    // The device was quicker than this thread: take its report now.
    if (std::exchange(completed_early_[index], false)) {
      lock.unlock();
      BufferDone(index, kBufferSize);
      lock.lock();
    }
  }
}

}  // namespace snx
