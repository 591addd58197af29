#include "main/core/middle_frame_collector.h"

#include <algorithm>

namespace snx {

void TMiddleFrameCollector::Restart() {
  filled_ = 0;
  pending_ = false;
}

std::size_t TMiddleFrameCollector::Take(const std::uint8_t* data, std::size_t length) {
  if (length == 0) return 0;
  const bool first_half = filled_ < kMiddleFrameEnd;
  const std::size_t n = std::min(length, (first_half ? kMiddleFrameEnd : kCaptureBufferSize) - filled_);
  if (n >= kCaptureFrameSize) std::copy_n(data + n - kCaptureFrameSize, kCaptureFrameSize, newest_.begin());
  filled_ += n;
  if (filled_ == kMiddleFrameEnd) {
    // Two middles in one delivery (a bunch): the earlier one is its own.
    if (pending_) MeasurePending();
    std::copy_n(newest_.begin(), kCaptureFrameSize, buffer_.begin() + kMiddleFrame);
    pending_ = true;
  }
  if (filled_ == kCaptureBufferSize) filled_ = 0;
  return n;
}

void TMiddleFrameCollector::Delivered() {
  if (!pending_) return;
  std::copy_n(newest_.begin(), kCaptureFrameSize, buffer_.begin() + kMiddleFrame);
  MeasurePending();
}

void TMiddleFrameCollector::MeasurePending() {
  pending_ = false;
  meter_.MeasureBuffer(buffer_.data(), kCaptureBufferSize);
}

}  // namespace snx
