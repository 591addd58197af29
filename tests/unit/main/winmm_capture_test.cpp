#include "main/winmm/winmm_capture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <numeric>
#include <optional>
#include <random>
#include <thread>
#include <tuple>
#include <vector>

#include "tests/patience.h"

namespace snx {
namespace {

using namespace std::chrono_literals;
using testing::ElementsAreArray;

// A one-shot latch. std::latch waits on an atomic, and libstdc++'s atomic
// wait never wakes under mingw's runtime, where these tests run too.
class Latch {
 public:
  void CountDown() {
    const std::lock_guard lock(mutex_);
    open_ = true;
    opened_.notify_all();
  }
  void Wait() {
    std::unique_lock lock(mutex_);
    opened_.wait(lock, [this] { return open_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable opened_;
  bool open_ = false;
};

// Holds one call of a fake half-way, until the test lets it go on.
class Gate {
 public:
  void Arm() { armed_ = true; }
  void PassOrHold() {
    if (!armed_.exchange(false)) return;
    held_.CountDown();
    release_.Wait();
  }
  void WaitUntilHeld() { held_.Wait(); }
  void Open() { release_.CountDown(); }

 private:
  std::atomic<bool> armed_ = false;
  Latch held_;
  Latch release_;
};

// Records every call. The test plays the audio system and delivers the
// notifications, from whichever thread it likes.
class FakeWaveIn final : public TWaveInDevice {
 public:
  std::vector<std::string> DeviceNames() override {
    Record("names");
    return names;
  }
  std::uint32_t Open(const TWaveFormat& format, TWaveInClient& client, std::uint32_t device) override {
    format_ = format;
    client_ = &client;
    Record(device == kWaveMapper ? "open" : "open " + std::to_string(device));
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
    Record("reset" + DuringMeasurement());
    for (std::size_t i = 0; i < 2; ++i) client_->BufferDone(i, 100);
  }
  void UnprepareHeader(std::size_t i) override {
    Record("unprepare " + std::to_string(i) + DuringMeasurement());
    unprepare_gate.PassOrHold();
  }
  void Close() override { Record("close" + DuringMeasurement()); }

  // Fills buffer `i` completely, with one frame of signal in its middle.
  void Deliver(std::size_t i, std::uint8_t left, std::uint8_t right) {
    data_[i][440] = left;
    data_[i][441] = right;
    client_->BufferDone(i, 882);
  }
  void Notify(std::size_t i, std::uint32_t bytes) { client_->BufferDone(i, bytes); }

  bool WaitForCall(const std::string& call, std::chrono::milliseconds patience = kPatience) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, patience,
                             [&] { return std::find(calls_.begin(), calls_.end(), call) != calls_.end(); });
  }
  std::vector<std::string> TakeCalls() {
    const std::lock_guard lock(mutex_);
    return std::exchange(calls_, {});
  }
  TWaveFormat Format() const { return format_; }

  std::uint32_t open_result = 0;
  std::uint32_t start_result = 0;
  std::vector<std::string> names;
  Gate unprepare_gate;
  // Set while the meter is inside a measurement.
  const std::atomic<bool>* measuring = nullptr;

 private:
  std::string DuringMeasurement() const { return measuring != nullptr && *measuring ? " during a measurement" : ""; }
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

// Measures into a real meter; `inside` runs in the measurement before it reads the buffer.
class HoldingMeter final : public TBufferMeasure {
 public:
  void MeasureBuffer(const std::uint8_t* data, std::size_t length) override {
    measuring = true;
    if (inside) inside();
    levels.MeasureBuffer(data, length);
    ++count;
    measuring = false;
  }
  std::function<void()> inside;
  std::atomic<bool> measuring = false;
  TChannelLevels levels;
  std::atomic<int> count = 0;
};

const std::vector<std::string> kStart = {"header 0",  "header 1", "open",  "prepare 0",
                                         "prepare 1", "add 0",    "add 1", "start"};
const std::vector<std::string> kStop = {"reset", "unprepare 0", "unprepare 1", "close"};
const std::vector<std::string> kHandBack0 = {"unprepare 0", "prepare 0", "add 0"};

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class CaptureTest : public testing::Test {
 protected:
  void StartRunning() {
    capture_.Start();
    ASSERT_TRUE(capture_.CaptureRunning());
    device_.TakeCalls();
  }

  CaptureTest() { device_.measuring = &meter_.measuring; }

  FakeWaveIn device_;
  HoldingMeter meter_;
  FakeReporter reporter_;
  TWinmmCapture capture_{device_, meter_, reporter_};
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
  device_.open_result = row.open_result;
  device_.start_result = row.start_result;
  row.start ? capture_.Start() : capture_.Stop();
  EXPECT_THAT(device_.TakeCalls(), ElementsAreArray(row.calls));
  EXPECT_THAT(reporter_.reports, ElementsAreArray(row.reports));
  EXPECT_EQ(capture_.CaptureRunning(), row.running_after);
}

// A failed start releases what the attempt had opened.
INSTANTIATE_TEST_SUITE_P(StateTable, CaptureTransitionTest,
                         testing::ValuesIn(std::vector<TransitionRow>{
                             {"StoppedStart", false, true, 0, 0, kStart, {}, true},
                             {"StoppedStartOpenFails",
                              false,
                              true,
                              2,
                              0,
                              {"header 0", "header 1", "open"},
                              {{"waveInOpenに失敗しました: 2", "エラー"}},
                              false},
                             {"StoppedStartStartFails",
                              false,
                              true,
                              0,
                              11,
                              kStart + kStop,
                              {{"waveInStartに失敗しました: 11", "エラー"}},
                              false},
                             {"StoppedStop", false, false, 0, 0, {}, {}, false},
                             {"RunningStart", true, true, 0, 0, {}, {}, true},
                             {"RunningStop", true, false, 0, 0, kStop, {}, false}}),
                         [](const auto& row) { return row.param.name; });

TEST_F(CaptureTest, FullBufferIsMeasuredGivenBackAndAcceptedAgain) {
  StartRunning();
  const TWaveFormat f = device_.Format();
  EXPECT_EQ(std::tie(f.format_tag, f.channels, f.block_align, f.bits_per_sample), std::make_tuple(1, 2, 2, 8));
  EXPECT_EQ(std::tie(f.samples_per_sec, f.avg_bytes_per_sec), std::make_tuple(44100u, 88200u));

  std::thread([&] { device_.Deliver(0, 127, 255); }).join();
  ASSERT_TRUE(device_.WaitForCall("add 0"));
  EXPECT_THAT(device_.TakeCalls(), ElementsAreArray(kHandBack0));
  EXPECT_EQ(meter_.levels.Snapshot()[0].Level, 15.0f);
  EXPECT_EQ(meter_.levels.Snapshot()[1].Level, 105.0f);
  // Back with the device, whether or not its busy mark has gone yet.
  device_.Deliver(0, 128, 128);
  ASSERT_TRUE(device_.WaitForCall("add 0"));
  EXPECT_EQ(meter_.count, 2);
}

TEST_F(CaptureTest, NotificationForABusyBufferIsIgnored) {
  StartRunning();
  device_.unprepare_gate.Arm();
  device_.Deliver(0, 129, 129);
  device_.unprepare_gate.WaitUntilHeld();  // buffer 0 is on its way back
  device_.Deliver(0, 255, 255);
  device_.unprepare_gate.Open();
  ASSERT_TRUE(device_.WaitForCall("add 0"));
  // The hand-back thread takes its buffers one at a time: once buffer 1 is
  // back, a repeat mistaken for an early report would have been measured
  // and handed back before it.
  device_.Deliver(1, 128, 128);
  ASSERT_TRUE(device_.WaitForCall("add 1"));
  EXPECT_EQ(meter_.count, 2);
  EXPECT_EQ(meter_.levels.Snapshot()[0].Level, static_cast<float>(SampleToLevel(129)));
  EXPECT_THAT(device_.TakeCalls(),
              ElementsAreArray(kHandBack0 + std::vector<std::string>{"unprepare 1", "prepare 1", "add 1"}));
}

TEST_F(CaptureTest, PartlyFilledBufferLeavesCirculationUntilNextStart) {
  StartRunning();
  device_.Notify(1, 881);
  device_.Deliver(1, 255, 255);  // the same buffer, now full: still out
  device_.Notify(2, 882);        // no such buffer
  device_.Deliver(0, 129, 129);  // the other one circulates on
  ASSERT_TRUE(device_.WaitForCall("add 0"));
  EXPECT_EQ(meter_.count, 1);
  EXPECT_THAT(device_.TakeCalls(), ElementsAreArray(kHandBack0));

  capture_.Stop();
  device_.Notify(0, 882);  // late, after Stop
  EXPECT_EQ(meter_.count, 1);
  device_.TakeCalls();
  capture_.Start();  // fresh zeroed buffers in the same headers
  EXPECT_THAT(device_.TakeCalls(), ElementsAreArray(kStart));
  device_.Deliver(1, 255, 255);
  ASSERT_TRUE(device_.WaitForCall("add 1"));
  EXPECT_EQ(meter_.count, 2);
}

TEST_F(CaptureTest, LaterStartWorksAfterFailedAttempts) {
  device_.open_result = 2;
  capture_.Start();
  device_.open_result = 0;
  device_.start_result = 4;
  capture_.Start();
  device_.start_result = 0;
  device_.TakeCalls();
  capture_.Start();
  EXPECT_TRUE(capture_.CaptureRunning());
  EXPECT_THAT(device_.TakeCalls(), ElementsAreArray(kStart));
  EXPECT_EQ(reporter_.reports.size(), 2u);
}

struct LookupCase {
  const char* name;
  std::vector<std::string> names;
  std::uint32_t last;
  std::optional<std::uint32_t> found;
};

void PrintTo(const LookupCase& c, std::ostream* os) { *os << c.name; }

class WaveInLookupTest : public testing::TestWithParam<LookupCase> {};

TEST_P(WaveInLookupTest, FindsTheDeviceByItsNameWhereverItsIdentifierMoved) {
  EXPECT_EQ(FindWaveInDevice(GetParam().names, "USB Mic", GetParam().last), GetParam().found);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, WaveInLookupTest,
    testing::Values(LookupCase{"Gone", {"Line In", "Headset"}, 0, std::nullopt},
                    LookupCase{"NoDevices", {}, kWaveMapper, std::nullopt},
                    LookupCase{"MovedDown", {"USB Mic", "Line In"}, 1, 0},
                    LookupCase{"MovedUp", {"Line In", "Headset", "USB Mic"}, 0, 2},
                    // Of two alike, the one opened before; else the first.
                    LookupCase{"TwinsKeepTheOneOpened", {"USB Mic", "Line In", "USB Mic"}, 2, 2},
                    LookupCase{"TwinsFirstOtherwise", {"Line In", "USB Mic", "USB Mic"}, kWaveMapper, 1},
                    LookupCase{"NamePrefixIsNoMatch", {"USB Mic 2", "usb mic"}, 0, std::nullopt}),
    [](const testing::TestParamInfo<LookupCase>& param_info) { return std::string(param_info.param.name); });

TEST_F(CaptureTest, AChosenDeviceIsOpenedByItsIdentifierAndOneThatIsGoneIsReported) {
  device_.names = {"Line In", "USB Mic & Co"};
  capture_.SetDevice("USB Mic & Co");
  capture_.Start();
  EXPECT_THAT(device_.TakeCalls(),
              ElementsAreArray(std::vector<std::string>{"names", "header 0", "header 1", "open 1", "prepare 0",
                                                        "prepare 1", "add 0", "add 1", "start"}));
  capture_.Stop();
  // Unplugged while stopped: reported by name, nothing opened, no other device in its place.
  device_.names = {"Line In"};
  device_.TakeCalls();
  capture_.Start();
  EXPECT_THAT(device_.TakeCalls(), ElementsAreArray(std::vector<std::string>{"names"}));
  EXPECT_THAT(reporter_.reports,
              ElementsAreArray(std::vector<Report>{{"入力デバイスが見つかりません: USB Mic & Co", "エラー"}}));
  EXPECT_FALSE(capture_.CaptureRunning());
  // Listed still, but its driver says it is gone; any other failure is the device's own.
  device_.names = {"USB Mic & Co"};
  device_.open_result = 6;
  capture_.Start();
  device_.open_result = 4;
  capture_.Start();
  EXPECT_THAT(reporter_.reports,
              ElementsAreArray(std::vector<Report>{{"入力デバイスが見つかりません: USB Mic & Co", "エラー"},
                                                   {"入力デバイスが見つかりません: USB Mic & Co", "エラー"},
                                                   {"waveInOpenに失敗しました: 4", "エラー"}}));
  device_.open_result = 0;
  // Back, under another identifier; then the default again.
  device_.names = {"USB Mic & Co", "Line In"};
  capture_.Start();
  EXPECT_TRUE(device_.WaitForCall("open 0"));
  capture_.Stop();
  capture_.SetDevice("");
  device_.TakeCalls();
  capture_.Start();
  EXPECT_THAT(device_.TakeCalls(), ElementsAreArray(kStart));
}

TEST_F(CaptureTest, DestroyingARunningCaptureStopsIt) {
  std::optional<TWinmmCapture> other;
  other.emplace(device_, meter_, reporter_);
  other->Start();
  device_.TakeCalls();
  other.reset();
  EXPECT_THAT(device_.TakeCalls(), ElementsAreArray(kStop));
}

// Stop while the audio thread is measuring: the buffer outlives the
// measurement and the device is reset only after it.
TEST_F(CaptureTest, StopWaitsForAMeasurementInProgress) {
  StartRunning();
  std::thread ui;
  meter_.inside = [&] {
    ui = std::thread([&] { capture_.Stop(); });
    // A Stop that does not wait resets the device long before this gives up.
    device_.WaitForCall("reset during a measurement", 1s);
  };
  std::thread([&] { device_.Deliver(0, 255, 128); }).join();
  ui.join();
  EXPECT_EQ(meter_.levels.Snapshot()[0].Level, 105.0f);
  EXPECT_THAT(device_.TakeCalls(), ElementsAreArray(kStop));  // after it, and it was not given back
}

// Stop while a buffer is being given back: the hand-back ends before the reset.
TEST_F(CaptureTest, StopWaitsForAHandBackInProgress) {
  StartRunning();
  device_.unprepare_gate.Arm();
  std::thread([&] { device_.Deliver(0, 129, 129); }).join();
  device_.unprepare_gate.WaitUntilHeld();
  std::thread ui([&] { capture_.Stop(); });
  while (capture_.CaptureRunning()) std::this_thread::yield();
  device_.unprepare_gate.Open();
  ui.join();
  EXPECT_THAT(device_.TakeCalls(), ElementsAreArray(kHandBack0 + kStop));
}

// A device that fills each buffer as soon as it has it, and numbers the
// completions in the frame the meter reads, so that each is told apart.
class StreamingWaveIn final : public TWaveInDevice {
 public:
  enum class Completes { cmInsideAddBuffer, cmOnItsOwnThread };

  StreamingWaveIn(Completes completes, int total) : completes_(completes), total_(total) {}

  std::vector<std::string> DeviceNames() override { return {}; }
  std::uint32_t Open(const TWaveFormat&, TWaveInClient& client, std::uint32_t) override {
    client_ = &client;
    return 0;
  }
  void SetHeader(std::size_t i, std::uint8_t* data, std::uint32_t) override { data_[i] = data; }
  void PrepareHeader(std::size_t) override {}
  void AddBuffer(std::size_t i) override {
    bool started = false;
    {
      const std::lock_guard lock(mutex_);
      queued_.push_back(i);
      started = started_;
      changed_.notify_all();
    }
    if (!started) return;
    if (completes_ == Completes::cmInsideAddBuffer) {
      CompleteNext();
    } else {
      // The caller is preempted before it goes on, for a while.
      for (auto n = hand_back_random_() % 16; n > 0; --n) std::this_thread::yield();
    }
  }
  std::uint32_t Start() override {
    {
      const std::lock_guard lock(mutex_);
      started_ = true;
    }
    if (completes_ == Completes::cmInsideAddBuffer) {
      for (std::size_t i = 0; i < TWinmmCapture::kBufferCount; ++i) CompleteNext();
    } else {
      thread_ = std::thread([this] { Run(); });
    }
    return 0;
  }
  void Reset() override {
    {
      const std::lock_guard lock(mutex_);
      stopping_ = true;
      changed_.notify_all();
    }
    if (thread_.joinable()) thread_.join();
    std::deque<std::size_t> returned;
    {
      const std::lock_guard lock(mutex_);
      returned.swap(queued_);
    }
    for (const std::size_t i : returned) client_->BufferDone(i, 0);
  }
  void UnprepareHeader(std::size_t) override {}
  void Close() override {}

 private:
  // Fills and reports the oldest queued buffer; false when there is none or
  // all the numbers have been served.
  bool CompleteNext() {
    std::size_t i = 0;
    int serial = 0;
    {
      const std::lock_guard lock(mutex_);
      if (queued_.empty() || served_ == total_ || stopping_) return false;
      i = queued_.front();
      queued_.pop_front();
      serial = served_++;
    }
    data_[i][440] = static_cast<std::uint8_t>(serial & 0xFF);
    data_[i][441] = static_cast<std::uint8_t>(serial >> 8);
    client_->BufferDone(i, TWinmmCapture::kBufferSize);
    return true;
  }
  void Run() {
    std::minstd_rand random(7);
    for (;;) {
      {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return stopping_ || (!queued_.empty() && served_ < total_); });
        if (stopping_) return;
      }
      for (auto n = random() % 16; n > 0; --n) std::this_thread::yield();
      CompleteNext();
    }
  }

  const Completes completes_;
  const int total_;
  TWaveInClient* client_ = nullptr;
  std::uint8_t* data_[2] = {};
  std::minstd_rand hand_back_random_{3};
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::size_t> queued_;
  bool started_ = false;
  bool stopping_ = false;
  int served_ = 0;
  std::thread thread_;
};

// Keeps the serial number of every buffer measured.
class SerialMeter final : public TBufferMeasure {
 public:
  void MeasureBuffer(const std::uint8_t* data, std::size_t length) override {
    const std::lock_guard lock(mutex_);
    serials_.push_back(data[length / 2 - 1] | data[length / 2] << 8);
    changed_.notify_all();
  }
  // The numbers measured, in ascending order, once there are `at_least` or
  // none has come for a while: a loaded machine slows the stream down but
  // never stops it, a lost buffer does.
  std::vector<int> Sorted(std::size_t at_least) {
    std::unique_lock lock(mutex_);
    for (std::size_t seen = serials_.size(); serials_.size() < at_least; seen = serials_.size()) {
      if (!changed_.wait_for(lock, kPatience, [&] { return serials_.size() != seen; })) break;
    }
    std::vector<int> sorted = serials_;
    std::sort(sorted.begin(), sorted.end());
    return sorted;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<int> serials_;
};

class StreamingCaptureTest : public testing::TestWithParam<StreamingWaveIn::Completes> {};

// However quickly the device fills a buffer it was given back, the
// completion is measured once and the buffer keeps circulating.
TEST_P(StreamingCaptureTest, EveryFullBufferIsMeasuredExactlyOnce) {
  constexpr int kTotal = 1000;
  StreamingWaveIn device(GetParam(), kTotal);
  SerialMeter meter;
  FakeReporter reporter;
  TWinmmCapture capture(device, meter, reporter);
  capture.Start();
  std::vector<int> all(kTotal);
  std::iota(all.begin(), all.end(), 0);
  const std::vector<int> measured = meter.Sorted(kTotal);
  EXPECT_EQ(measured.size(), all.size()) << "a buffer was lost";
  EXPECT_TRUE(measured == all) << "a buffer was measured twice or not at all";
  capture.Stop();
  EXPECT_EQ(meter.Sorted(0).size(), all.size());  // and nothing more
}

INSTANTIATE_TEST_SUITE_P(Devices, StreamingCaptureTest,
                         testing::Values(StreamingWaveIn::Completes::cmInsideAddBuffer,
                                         StreamingWaveIn::Completes::cmOnItsOwnThread),
                         [](const auto& device) {
                           return device.param == StreamingWaveIn::Completes::cmInsideAddBuffer ? "InsideAddBuffer"
                                                                                                : "OnItsOwnThread";
                         });

}  // namespace
}  // namespace snx
