#pragma once
// Capture through winmm's wave input: two 10 ms buffers circulate between
// the device and the meter while capture runs.
#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "main/core/capture_source.h"
#include "main/core/error_reporter.h"
#include "main/core/level_meter.h"

namespace snx {

// The PCM format capture asks for.
struct TWaveFormat {
  std::uint16_t format_tag;
  std::uint16_t channels;
  std::uint32_t samples_per_sec;
  std::uint32_t avg_bytes_per_sec;
  std::uint16_t block_align;
  std::uint16_t bits_per_sample;
};

// Told by the device about each buffer it hands back (WIM_DATA), on the
// device's own thread. `index` is the buffer's header number.
class TWaveInClient {
 public:
  virtual void BufferDone(std::size_t index, std::uint32_t bytes_recorded) = 0;

 protected:
  ~TWaveInClient() = default;
};

// The device identifier of the system's default input (WAVE_MAPPER).
inline constexpr std::uint32_t kWaveMapper = 0xFFFFFFFF;

// The wave input calls, on the device's two buffer headers (0 and 1). Only
// open and start report a result; the others' results are of no use.
class TWaveInDevice {
 public:
  // The name of each wave input device, by its identifier; "" for one whose
  // name cannot be had.
  virtual std::vector<std::string> DeviceNames() = 0;
  // `device` is an identifier or kWaveMapper.
  virtual std::uint32_t Open(const TWaveFormat& format, TWaveInClient& client, std::uint32_t device) = 0;
  // Points header `index` at `data`; the header's user value is `index`.
  virtual void SetHeader(std::size_t index, std::uint8_t* data, std::uint32_t length) = 0;
  virtual void PrepareHeader(std::size_t index) = 0;
  virtual void AddBuffer(std::size_t index) = 0;
  virtual std::uint32_t Start() = 0;
  virtual void Reset() = 0;
  virtual void UnprepareHeader(std::size_t index) = 0;
  virtual void Close() = 0;

 protected:
  ~TWaveInDevice() = default;
};

// Where the device called `name` is among `names`. Identifiers move when a
// device comes or goes, so the name decides; among devices of one name the
// one last opened, `last`, is kept.
std::optional<std::uint32_t> FindWaveInDevice(const std::vector<std::string>& names, const std::string& name,
                                              std::uint32_t last);

// The Start/Stop state machine. Start and Stop run on the user-interface
// thread. The device's notification only measures a buffer; a hand-back thread
// of this object gives it back to the device, because the device must not be
// called from inside its own notification.
class TWinmmCapture final : public TCaptureSource, private TWaveInClient {
 public:
  static constexpr std::size_t kBufferCount = 2;
  static constexpr std::uint32_t kBufferSize = kCaptureBufferSize;

  TWinmmCapture(TWaveInDevice& device, TBufferMeasure& meter, TErrorReporter& reporter);
  TWinmmCapture(const TWinmmCapture&) = delete;
  TWinmmCapture& operator=(const TWinmmCapture&) = delete;
  // Ends a running capture, so that no notification outlives the buffers.
  ~TWinmmCapture() override;

  // Opens and starts the device chosen, found by its name; a failure, or a
  // chosen device that is not there, is reported and leaves nothing open.
  void Start() override;
  // Stops, closes and frees everything that Start obtained; also the way to
  // end a running capture before the program's objects go.
  void Stop() override;
  // A wave input device's name; "" for the system's default.
  void SetDevice(std::string id) override { device_name_ = std::move(id); }
  // False as soon as Stop has begun.
  bool CaptureRunning() const override;
  // Start and Stop finish their work before they return.
  bool CaptureIdle() const override { return !CaptureRunning(); }

 private:
  void BufferDone(std::size_t index, std::uint32_t bytes_recorded) override;
  void HandBackLoop();
  // Whether an open that failed so says the chosen device is not there.
  bool DeviceGone(std::uint32_t open_result) const;
  // Stops accepting notifications, waits for those in progress and for the
  // hand-back thread, then resets, unprepares and closes the open device.
  void CloseDevice();
  void ReleaseBuffers();

  TWaveInDevice& device_;
  TBufferMeasure& meter_;
  TErrorReporter& reporter_;
  // Used on the user-interface thread only.
  std::string device_name_;
  std::uint32_t last_device_ = kWaveMapper;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::array<std::unique_ptr<std::uint8_t[]>, kBufferCount> WaveBuffers;
  // Set from the notification's start until the buffer is back with the
  // device; a partly filled buffer keeps it until the next Start.
  std::array<bool, kBufferCount> BufferBusy{};
  std::array<bool, kBufferCount> hand_back_pending_{};
  // From just before a buffer is queued again until its busy mark clears: the
  // device owns it once more and may already have filled it.
  std::array<bool, kBufferCount> requeuing_{};
  // A full buffer reported while requeuing, handled once its busy mark clears.
  std::array<bool, kBufferCount> completed_early_{};
  bool accepting_ = false;
  int measuring_ = 0;
  bool capture_running_ = false;
  std::thread hand_back_;
};

}  // namespace snx
