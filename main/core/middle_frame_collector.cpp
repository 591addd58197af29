#include "main/core/middle_frame_collector.h"

#include <algorithm>

namespace snx {

std::size_t TMiddleFrameCollector::Take(const std::uint8_t* data, std::size_t length) {
  const bool first_half = filled_ < kMiddleFrameEnd;
  const std::size_t n = std::min(length, (first_half ? kMiddleFrameEnd : kCaptureBufferSize) - filled_);
  // The meter reads nothing after the middle, so that part is only counted.
  if (first_half) std::copy_n(data, n, buffer_.begin() + static_cast<std::ptrdiff_t>(filled_));
  filled_ += n;
  if (filled_ == kMiddleFrameEnd) meter_.MeasureBuffer(buffer_.data(), kCaptureBufferSize);
  if (filled_ == kCaptureBufferSize) filled_ = 0;
  return n;
}

}  // namespace snx
