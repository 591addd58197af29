#pragma once
// Collects a capture's pieces of sound into 10 ms buffers and has each
// measured the moment its middle frame is in, not when its last byte is:
// the meter reads only that frame, so the value is the same, only sooner.
#include <array>
#include <cstddef>
#include <cstdint>

#include "main/core/capture_source.h"
#include "main/core/level_meter.h"

namespace snx {

class TMiddleFrameCollector {
 public:
  explicit TMiddleFrameCollector(TBufferMeasure& meter) : meter_(meter) {}

  // Sound begins. The buffers are laid half a buffer off the sound's start:
  // a source that delivers 10 ms pieces then ends each piece with a middle
  // frame, measured as that piece arrives rather than 5 ms later with the
  // next. The first buffer's first half went by before capture began.
  void Restart() { filled_ = kMiddleFrameEnd; }
  // Takes bytes of `data` up to a buffer's middle frame, which it has
  // measured, or up to the buffer's end, whichever comes first, and says how
  // many it took: the caller decides, after each measurement, whether to go
  // on with the rest. `data` is whole frames of 8-bit stereo.
  std::size_t Take(const std::uint8_t* data, std::size_t length);

 private:
  // The middle frame (bytes 440 and 441) is in once this much is.
  static constexpr std::size_t kMiddleFrameEnd = kCaptureBufferSize / 2 + 1;

  TBufferMeasure& meter_;
  // Only the buffer's first half, up to the middle frame, is ever read.
  std::array<std::uint8_t, kCaptureBufferSize> buffer_{};
  std::size_t filled_ = kMiddleFrameEnd;
};

}  // namespace snx
