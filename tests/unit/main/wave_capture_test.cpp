#include "main/core/wave_capture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <latch>
#include <optional>
#include <thread>
#include <tuple>
#include <vector>

namespace snx {
namespace {

using testing::ElementsAreArray;
using testing::IsEmpty;

// Holds one call of a fake half-way, until the test lets it go on.
class Gate {
 public:
  void Arm() { armed_ = true; }
  void PassOrHold() {
    if (!armed_.exchange(false)) return;
    held_.count_down();
    release_.wait();
  }
  void WaitUntilHeld() { held_.wait(); }
  void Open() { release_.count_down(); }

 private:
  std::atomic<bool> armed_ = false;
  std::latch held_{1};
  std::latch release_{1};
};

// Records every call. The test plays the audio system and delivers the
// notifications, from whichever thread it likes.
class FakeWaveIn final : public TWaveInDevice {
 public:
  std::uint32_t Open(const TWaveFormat& format, TWaveInClient& client) override {
    format_ = format;
    client_ = &client;
    Record("open");
    return open_result;
  }
  void SetHeader(std::size_t i, std::uint8_t* data, std::uint32_t length) override {
    data_[i] = data;
    const bool fresh = length == 882 && std::all_of(data, data + length, [](std::uint8_t b) { return b == 0; });
    Record("header " + std::to_string(i) + (fresh ? "" : " not a zeroed 882-byte buffer"));
  }
  void PrepareHeader(std::size_t i) override { Record("prepare " + std::to_string(i)); }
  void AddBuffer(std::size_t i) override { Record("add " + std::to_string(i)); }
  std::uint32_t Start() override {
    Record("start");
    return start_result;
  }
  // As a real device does, the reset returns both buffers partly filled.
  void Reset() override {
    Record("reset");
    for (std::size_t i = 0; i < 2; ++i) client_->BufferDone(i, 100);
  }
  void UnprepareHeader(std::size_t i) override {
    Record("unprepare " + std::to_string(i));
    unprepare_gate.PassOrHold();
  }
  void Close() override { Record("close"); }

  // Fills buffer `i` completely, with one frame of signal in its middle.
  void Deliver(std::size_t i, std::uint8_t left, std::uint8_t right) {
    data_[i][440] = left;
    data_[i][441] = right;
    client_->BufferDone(i, 882);
  }
  void Notify(std::size_t i, std::uint32_t bytes) { client_->BufferDone(i, bytes); }

  void WaitForCall(const std::string& call) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return std::find(calls_.begin(), calls_.end(), call) != calls_.end(); });
  }
  std::vector<std::string> TakeCalls() {
    const std::lock_guard lock(mutex_);
    return std::exchange(calls_, {});
  }
  TWaveFormat Format() const { return format_; }

  std::uint32_t open_result = 0;
  std::uint32_t start_result = 0;
  Gate unprepare_gate;

 private:
  void Record(std::string call) {
    const std::lock_guard lock(mutex_);
    calls_.push_back(std::move(call));
    changed_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> calls_;
  TWaveInClient* client_ = nullptr;
  std::uint8_t* data_[2] = {};
  TWaveFormat format_{};
};

using Report = std::pair<std::string, std::string>;

class FakeReporter final : public TErrorReporter {
 public:
  void ShowError(const std::string& text, const std::string& caption) override { reports.emplace_back(text, caption); }
  std::vector<Report> reports;
};

// Measures into a real meter; the gate can hold a measurement before it reads the buffer.
class HoldingMeter final : public TBufferMeasure {
 public:
  void MeasureBuffer(const std::uint8_t* data, std::size_t length) override {
    gate.PassOrHold();
    levels.MeasureBuffer(data, length);
    ++count;
  }
  Gate gate;
  TChannelLevels levels;
  std::atomic<int> count = 0;
};

const std::vector<std::string> kStart = {"header 0", "header 1", "open", "prepare 0",
                                         "prepare 1", "add 0",   "add 1", "start"};
const std::vector<std::string> kStop = {"reset", "unprepare 0", "unprepare 1", "close"};
const std::vector<std::string> kHandBack0 = {"unprepare 0", "prepare 0", "add 0"};

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class CaptureTest : public testing::Test {
 protected:
  void StartRunning() {
    capture.Start();
    ASSERT_TRUE(capture.CaptureRunning());
    device.TakeCalls();
  }

  FakeWaveIn device;
  HoldingMeter meter;
  FakeReporter reporter;
  TWaveCapture capture{device, meter, reporter};
};

struct TransitionRow {
  std::string name;
  bool running_before, start;  // start: Start, else Stop
  std::uint32_t open_result, start_result;
  std::vector<std::string> calls;
  std::vector<Report> reports;
  bool running_after;
};

class CaptureTransitionTest : public CaptureTest, public testing::WithParamInterface<TransitionRow> {};

TEST_P(CaptureTransitionTest, MakesTheCallsAndReportsOfItsRow) {
  const TransitionRow& row = GetParam();
  if (row.running_before) StartRunning();
  device.open_result = row.open_result;
  device.start_result = row.start_result;
  row.start ? capture.Start() : capture.Stop();
  EXPECT_THAT(device.TakeCalls(), ElementsAreArray(row.calls));
  EXPECT_THAT(reporter.reports, ElementsAreArray(row.reports));
  EXPECT_EQ(capture.CaptureRunning(), row.running_after);
}

// A failed start releases what the attempt had opened.
INSTANTIATE_TEST_SUITE_P(
    StateTable, CaptureTransitionTest,
    testing::ValuesIn(std::vector<TransitionRow>{
        {"StoppedStart", false, true, 0, 0, kStart, {}, true},
        {"StoppedStartOpenFails", false, true, 2, 0, {"header 0", "header 1", "open"},
         {{"waveInOpenに失敗しました: 2", "エラー"}}, false},
        {"StoppedStartStartFails", false, true, 0, 11, kStart + kStop,
         {{"waveInStartに失敗しました: 11", "エラー"}}, false},
        {"StoppedStop", false, false, 0, 0, {}, {}, false},
        {"RunningStart", true, true, 0, 0, {}, {}, true},
        {"RunningStop", true, false, 0, 0, kStop, {}, false}}),
    [](const auto& row) { return row.param.name; });

TEST_F(CaptureTest, FullBufferIsMeasuredGivenBackAndAcceptedAgain) {
  StartRunning();
  const TWaveFormat f = device.Format();
  EXPECT_EQ(std::tie(f.FormatTag, f.Channels, f.BlockAlign, f.BitsPerSample), std::make_tuple(1, 2, 2, 8));
  EXPECT_EQ(std::tie(f.SamplesPerSec, f.AvgBytesPerSec), std::make_tuple(44100u, 88200u));

  std::thread([&] { device.Deliver(0, 127, 255); }).join();
  device.WaitForCall("add 0");
  EXPECT_THAT(device.TakeCalls(), ElementsAreArray(kHandBack0));
  EXPECT_EQ(meter.levels.Snapshot()[0].Level, 15.0f);
  EXPECT_EQ(meter.levels.Snapshot()[1].Level, 105.0f);
  // The busy mark goes just after the hand-back; a real device needs 10 ms
  // more before it can return the buffer, this fake retries until then.
  while (meter.count < 2) device.Deliver(0, 128, 128);
}

TEST_F(CaptureTest, NotificationForABusyBufferIsIgnored) {
  StartRunning();
  device.unprepare_gate.Arm();
  device.Deliver(0, 129, 129);
  device.unprepare_gate.WaitUntilHeld();  // buffer 0 is on its way back
  device.Deliver(0, 255, 255);
  device.unprepare_gate.Open();
  device.WaitForCall("add 0");
  EXPECT_EQ(meter.count, 1);
  EXPECT_THAT(device.TakeCalls(), ElementsAreArray(kHandBack0));
}

TEST_F(CaptureTest, PartlyFilledBufferLeavesCirculationUntilNextStart) {
  StartRunning();
  device.Notify(1, 881);
  device.Deliver(1, 255, 255);  // the same buffer, now full: still out
  device.Notify(2, 882);        // no such buffer
  device.Deliver(0, 129, 129);  // the other one circulates on
  device.WaitForCall("add 0");
  EXPECT_EQ(meter.count, 1);
  EXPECT_THAT(device.TakeCalls(), ElementsAreArray(kHandBack0));

  capture.Stop();
  device.Notify(0, 882);  // late, after Stop
  EXPECT_EQ(meter.count, 1);
  device.TakeCalls();
  capture.Start();  // fresh zeroed buffers in the same headers
  EXPECT_THAT(device.TakeCalls(), ElementsAreArray(kStart));
  device.Deliver(1, 255, 255);
  device.WaitForCall("add 1");
  EXPECT_EQ(meter.count, 2);
}

TEST_F(CaptureTest, LaterStartWorksAfterFailedAttempts) {
  device.open_result = 2;
  capture.Start();
  device.open_result = 0;
  device.start_result = 4;
  capture.Start();
  device.start_result = 0;
  device.TakeCalls();
  capture.Start();
  EXPECT_TRUE(capture.CaptureRunning());
  EXPECT_THAT(device.TakeCalls(), ElementsAreArray(kStart));
  EXPECT_EQ(reporter.reports.size(), 2u);
}

TEST_F(CaptureTest, DestroyingARunningCaptureStopsIt) {
  std::optional<TWaveCapture> other;
  other.emplace(device, meter, reporter);
  other->Start();
  device.TakeCalls();
  other.reset();
  EXPECT_THAT(device.TakeCalls(), ElementsAreArray(kStop));
}

// Stop while the audio thread is measuring: the buffer outlives the
// measurement and the device is reset only after it.
TEST_F(CaptureTest, StopWaitsForAMeasurementInProgress) {
  StartRunning();
  meter.gate.Arm();
  std::thread audio([&] { device.Deliver(0, 255, 128); });
  meter.gate.WaitUntilHeld();
  std::thread ui([&] { capture.Stop(); });
  while (capture.CaptureRunning()) std::this_thread::yield();
  EXPECT_THAT(device.TakeCalls(), IsEmpty());  // Stop has begun, and waits
  meter.gate.Open();
  audio.join();
  ui.join();
  EXPECT_EQ(meter.levels.Snapshot()[0].Level, 105.0f);
  EXPECT_THAT(device.TakeCalls(), ElementsAreArray(kStop));  // and it was not given back
}

// Stop while a buffer is being given back: the hand-back ends before the reset.
TEST_F(CaptureTest, StopWaitsForAHandBackInProgress) {
  StartRunning();
  device.unprepare_gate.Arm();
  std::thread([&] { device.Deliver(0, 129, 129); }).join();
  device.unprepare_gate.WaitUntilHeld();
  std::thread ui([&] { capture.Stop(); });
  while (capture.CaptureRunning()) std::this_thread::yield();
  device.unprepare_gate.Open();
  ui.join();
  EXPECT_THAT(device.TakeCalls(), ElementsAreArray(kHandBack0 + kStop));
}

}  // namespace
}  // namespace snx
