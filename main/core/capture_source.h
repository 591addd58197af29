#pragma once
// What the strip's Start and Stop commands drive: a source that hands 10 ms
// buffers of 8-bit stereo at 44100 Hz to the meter while it runs.
#include <cstdint>
#include <string>
#include <string_view>

namespace snx {

inline constexpr std::uint32_t kCaptureRate = 44100;
inline constexpr std::uint16_t kCaptureChannels = 2;
// Unsigned samples, 128 being silence.
inline constexpr std::uint16_t kCaptureBitsPerSample = 8;
// One sample of each channel: 2 bytes.
inline constexpr std::uint16_t kCaptureFrameSize = kCaptureChannels * kCaptureBitsPerSample / 8;
inline constexpr std::uint32_t kCaptureBytesPerSecond = kCaptureRate * kCaptureFrameSize;
// 10 ms of 8-bit stereo at 44100 Hz: 882 bytes.
inline constexpr std::uint32_t kCaptureBufferSize = static_cast<std::uint32_t>(kCaptureBytesPerSecond * 0.01);

// The box of a chosen input that is not there at Start, and of one that
// went while it was being metered: capture stops, and never moves on to
// another input by itself.
inline constexpr std::string_view kInputMissing = "入力デバイスが見つかりません: ";
inline constexpr std::string_view kInputGone = "入力デバイスがなくなりました: ";

// Start and Stop run on the user-interface thread. A failure is reported to
// the user and leaves nothing open; a second Start while running, and Stop
// while stopped, do nothing.
class TCaptureSource {
 public:
  virtual ~TCaptureSource() = default;
  virtual void Start() = 0;
  virtual void Stop() = 0;
  // The input the next Start opens, by its id (TInputDevice); "" for the
  // system's default. A capture already running keeps its input.
  virtual void SetDevice(std::string id) = 0;
  virtual bool CaptureRunning() const = 0;
  // Neither capturing nor trying to: nothing is measured until the next
  // Start. Asked on the user-interface thread.
  virtual bool CaptureIdle() const = 0;
};

}  // namespace snx
