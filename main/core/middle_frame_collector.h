#pragma once
// Collects a capture's pieces of sound into 10 ms buffers and has each
// measured the moment its middle frame is in, not when its last byte is:
// the meter reads only that frame, so the value is the same, only sooner.
// Where the server's delivery goes on past the middle frame, the frame
// measured is the delivery's newest instead: a server whose deliveries come
// 10 ms plus its lateness apart slides the buffers' middles through them,
// which would otherwise leave the sound up to 10 ms unlooked-at.
#include <array>
#include <cstddef>
#include <cstdint>

#include "main/core/capture_source.h"
#include "main/core/level_meter.h"

namespace snx {

class TMiddleFrameCollector {
 public:
  explicit TMiddleFrameCollector(TBufferMeasure& meter) : meter_(meter) {}

  // Sound begins. The buffers are laid on the sound's start: a source that
  // delivers 10 ms pieces brings each middle frame halfway through a piece,
  // so a piece a few frames shorter or longer than 10 ms still brings
  // exactly one. (Laid half a buffer off, the middles would end the pieces,
  // and every piece a frame short would leave its middle to the next one,
  // 10 ms later.)
  void Restart();
  // Takes bytes of `data` up to a buffer's middle frame or its end,
  // whichever comes first, and says how many it took. A buffer whose middle
  // frame came in earlier in the same delivery is measured first: the
  // caller decides, after each Take, whether to go on with the rest.
  // `data` is whole frames of 8-bit stereo.
  std::size_t Take(const std::uint8_t* data, std::size_t length);
  // The server has nothing more for now: the buffer whose middle frame came
  // in last is measured, on the newest frame taken.
  void Delivered();

 private:
  // The middle frame (bytes 440 and 441) is in once this much is.
  static constexpr std::size_t kMiddleFrameEnd = kCaptureBufferSize / 2 + 1;
  static constexpr std::size_t kMiddleFrame = kMiddleFrameEnd - kCaptureFrameSize;

  void MeasurePending();

  TBufferMeasure& meter_;
  // The meter reads nothing but the middle frame.
  std::array<std::uint8_t, kCaptureBufferSize> buffer_{};
  std::size_t filled_ = 0;
  // A buffer's middle frame is in, not yet measured.
  bool pending_ = false;
  // The last frame taken.
  std::array<std::uint8_t, kCaptureFrameSize> newest_{};
};

}  // namespace snx
