#pragma once
// What the capture tests on the real default input hand the capture object:
// a meter that only counts the buffers it is given, and a reporter that
// keeps the error texts instead of showing a box.
#include <atomic>
#include <string>

#include "main/winmm/winmm_capture.h"

namespace snx {

class CountingMeasure final : public TBufferMeasure {
 public:
  void MeasureBuffer(const std::uint8_t*, std::size_t) override { ++buffers; }
  std::atomic<int> buffers{0};
};

class RecordingReporter final : public TErrorReporter {
 public:
  void ShowError(const std::string& text, const std::string&) override { errors += text + "\n"; }
  std::string errors;
};

}  // namespace snx
