// Start and Stop against the real default input, many times over: every
// start must succeed, nothing may leak, and capture must still deliver
// buffers afterwards.
#include <windows.h>

#include <gtest/gtest.h>
#include <psapi.h>

#include <atomic>
#include <string>

#include "main/win32/winmm_wave_in.h"
#include "main/winmm/winmm_capture.h"
#include "tests/win32/main/capture_observers.h"

namespace snx {
namespace {

struct Usage {
  DWORD handles;
  SIZE_T private_bytes;
};

Usage Now() {
  Usage u{};
  GetProcessHandleCount(GetCurrentProcess(), &u.handles);
  PROCESS_MEMORY_COUNTERS_EX counters{};
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
  u.private_bytes = counters.PrivateUsage;
  return u;
}

TEST(CaptureCycles, AThousandStartsAndStopsLeakNeitherHandlesNorMemory) {
  TWinmmWaveIn device;
  CountingMeasure measure;
  RecordingReporter reporter;
  TWinmmCapture capture(device, measure, reporter);

  auto cycle = [&] {
    capture.Start();
    ASSERT_TRUE(capture.CaptureRunning()) << reporter.errors;
    capture.Stop();
  };
  for (int i = 0; i < 50; ++i) cycle();  // the audio system settles its own allocations
  Usage before = Now();
  for (int i = 0; i < 1000; ++i) cycle();
  Usage after = Now();

  EXPECT_EQ(reporter.errors, "");
  EXPECT_LE(after.handles, before.handles + 4);
  EXPECT_LE(after.private_bytes, before.private_bytes + std::size_t{512} * 1024);

  // And capture still delivers after all that.
  capture.Start();
  for (int i = 0; i < 200 && measure.buffers.load() == 0; ++i) Sleep(10);
  capture.Stop();
  EXPECT_GT(measure.buffers.load(), 0);
}

}  // namespace
}  // namespace snx
