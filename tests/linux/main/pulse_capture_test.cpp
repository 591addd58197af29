#include "main/linux/pulse_capture.h"

#include <gtest/gtest.h>
#include <dirent.h>
#include <link.h>
#include <pulse/error.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "tests/linux/eventually.h"
#include "tests/patience.h"

// glibc's own allocator, under the counting one.
extern "C" void* __libc_malloc(std::size_t size);  // NOLINT(bugprone-reserved-identifier,readability-identifier-naming)

namespace {
// The code whose allocations are the capture's own: this program, which
// holds the capture, and the C++ library, whose operator new allocates for
// it. The audio library allocates now and then on its own, more often the
// busier the machine; those are not counted.
struct TCodeRange {
  std::uintptr_t begin = 0;
  std::uintptr_t end = 0;
};
std::array<TCodeRange, 16> OwnCode;
std::atomic<bool> CountingAllocations = false;
std::atomic<long> Allocations = 0;

bool IsOwnCode(std::uintptr_t at) {
  return std::any_of(OwnCode.begin(), OwnCode.end(), [at](const TCodeRange& r) { return at >= r.begin && at < r.end; });
}

// Fills OwnCode with the executable segments of this program and the C++ library.
void FindOwnCode() {
  std::size_t found = 0;
  dl_iterate_phdr(
      [](dl_phdr_info* info, std::size_t, void* count) -> int {
        auto& n = *static_cast<std::size_t*>(count);
        const std::string_view name = info->dlpi_name != nullptr ? info->dlpi_name : "";
        if (!name.empty() && name.find("libstdc++") == std::string_view::npos) return 0;
        for (std::size_t i = 0; i < info->dlpi_phnum && n < OwnCode.size(); ++i) {
          const ElfW(Phdr)& segment = info->dlpi_phdr[i];
          if (segment.p_type != PT_LOAD || (segment.p_flags & PF_X) == 0) continue;
          const std::uintptr_t begin = info->dlpi_addr + segment.p_vaddr;
          OwnCode[n++] = {begin, begin + segment.p_memsz};
        }
        return 0;
      },
      &found);
}
}  // namespace

extern "C" void* malloc(std::size_t size) {
  if (CountingAllocations.load(std::memory_order_relaxed) &&
      IsOwnCode(reinterpret_cast<std::uintptr_t>(__builtin_return_address(0)))) {
    Allocations.fetch_add(1, std::memory_order_relaxed);
  }
  return __libc_malloc(size);
}

namespace snx {
namespace {

using namespace std::chrono_literals;

// A left channel at |s - 128| = 100 and a right one at 61: levels that a
// sample off by one on the way through the server would not change.
constexpr std::uint8_t kToneLeft = 228;
constexpr std::uint8_t kToneRight = 67;

// The real meter, with a record of what reached it; `on_measure` runs inside
// the measurement, on the server's thread.
class RecordingMeter final : public TBufferMeasure {
 public:
  void MeasureBuffer(const std::uint8_t* data, std::size_t length) override {
    {
      const std::lock_guard lock(mutex_);
      ++count_;
      if (length != kCaptureBufferSize) ++wrong_sizes_;
      threads_.insert(gettid());
    }
    levels_.MeasureBuffer(data, length);
    if (on_measure) on_measure();
  }
  int Count() const {
    const std::lock_guard lock(mutex_);
    return count_;
  }
  int WrongSizes() const {
    const std::lock_guard lock(mutex_);
    return wrong_sizes_;
  }
  // The kernel thread numbers of the threads that measured.
  std::set<pid_t> Threads() const {
    const std::lock_guard lock(mutex_);
    return threads_;
  }
  TStereoLevels Levels() const { return levels_.Snapshot(); }

  std::function<void()> on_measure;

 private:
  mutable std::mutex mutex_;
  int count_ = 0;
  int wrong_sizes_ = 0;
  std::set<pid_t> threads_;
  TChannelLevels levels_;
};

class RecordingReporter final : public TErrorReporter {
 public:
  void ShowError(const std::string& text, const std::string& caption) override {
    const std::lock_guard lock(mutex_);
    shown.push_back(caption + "|" + text);
    on_ui_thread = on_ui_thread && std::this_thread::get_id() == ui_thread_;
  }
  std::size_t Count() const {
    const std::lock_guard lock(mutex_);
    return shown.size();
  }
  std::vector<std::string> shown;
  bool on_ui_thread = true;

 private:
  mutable std::mutex mutex_;
  std::thread::id ui_thread_ = std::this_thread::get_id();
};

// What the process holds open: file descriptors and threads.
std::size_t EntriesOf(const char* folder) {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}

struct TOpenThings {
  std::size_t files = EntriesOf("/proc/self/fd");
  std::size_t threads = EntriesOf("/proc/self/task");
  bool operator==(const TOpenThings&) const = default;
};

pid_t Spawn(const std::vector<std::string>& arguments, const std::vector<std::string>& environment) {
  std::vector<char*> argv;
  for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (const auto& e : environment) envp.push_back(const_cast<char*>(e.c_str()));
  for (char** e = ::environ; *e != nullptr; ++e) envp.push_back(*e);
  envp.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0) return -1;
  return pid;
}

// A process this test started, killed when it goes.
class Child {
 public:
  explicit Child(pid_t pid) : pid_(pid) {}
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() { Kill(); }
  bool Running() const { return pid_ > 0; }
  void Signal(int signal_number) const { kill(pid_, signal_number); }
  void Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_;
};

// Plays the tone into the test desktop's null sink, whose monitor is the
// default source.
class Tone {
 public:
  Tone() {
    std::vector<std::uint8_t> frames(std::size_t{kCaptureChannels} * kCaptureRate * 30);
    for (std::size_t i = 0; i < frames.size(); i += 2) {
      frames[i] = kToneLeft;
      frames[i + 1] = kToneRight;
    }
    std::ofstream(file_, std::ios::binary)
        .write(reinterpret_cast<const char*>(frames.data()), static_cast<std::streamsize>(frames.size()));
    player_.emplace(Spawn(
        {"pacat", "--playback", "--device=vsink", "--raw", "--format=u8", "--channels=2", "--rate=44100", file_}, {}));
  }
  ~Tone() {
    player_.reset();
    std::filesystem::remove(file_);
  }
  bool Playing() const { return player_->Running(); }

 private:
  std::string file_ = std::filesystem::temp_directory_path() / ("sonalix-tone-" + std::to_string(getpid()));
  std::optional<Child> player_;
};

// PULSE_SERVER for the test's duration.
class ServerAddress {
 public:
  explicit ServerAddress(const std::string& address) {
    if (const char* old = std::getenv("PULSE_SERVER")) old_ = old;
    setenv("PULSE_SERVER", address.c_str(), 1);
  }
  ServerAddress(const ServerAddress&) = delete;
  ServerAddress& operator=(const ServerAddress&) = delete;
  ~ServerAddress() {
    if (old_) {
      setenv("PULSE_SERVER", old_->c_str(), 1);
    } else {
      unsetenv("PULSE_SERVER");
    }
  }

 private:
  std::optional<std::string> old_;
};

// An audio server of the test's own, with a null sink that keeps delivering,
// so that the test can take it away. Asked for, it also has a source that
// hands its sound over two seconds at a time, as servers that bunch it do.
class PrivateServer {
 public:
  static constexpr const char* kBunchingSource = "tbunch";

  explicit PrivateServer(bool with_bunching_source = false) : with_bunching_source_(with_bunching_source) {
    std::filesystem::create_directories(folder_);
    chmod(folder_.c_str(), 0700);
  }
  ~PrivateServer() {
    keep_alive_.reset();
    server_.reset();
    std::filesystem::remove_all(folder_);
  }
  std::string Address() const { return "unix:" + Socket(); }

  bool Up() {
    std::filesystem::remove(Socket());
    // Off the session bus: the desktop's own server holds the audio server's
    // bus name, and a second server that cannot have it ends.
    const std::vector<std::string> environment = {"XDG_RUNTIME_DIR=" + folder_, "HOME=" + folder_,
                                                  "DBUS_SESSION_BUS_ADDRESS=unix:path=" + folder_ + "/no-bus"};
    std::vector<std::string> command = {
        "pulseaudio", "--daemonize=no",      "--use-pid-file=no", "--exit-idle-time=-1",
        "-n",         "--log-target=stderr", "--log-level=0",     "--load=module-null-sink sink_name=tsink"};
    if (with_bunching_source_)
      command.push_back(std::string("--load=module-sine-source source_name=") + kBunchingSource);
    command.push_back("--load=module-native-protocol-unix auth-anonymous=1 socket=" + Socket());
    server_.emplace(Spawn(command, environment));
    // Its socket is there before it answers: the program is handed a server
    // that is ready.
    if (!Eventually([this, &environment] { return std::filesystem::exists(Socket()) && Answers(environment); })) {
      return false;
    }
    keep_alive_.emplace(Spawn(
        {"pacat", "--playback", "--server=" + Address(), "--device=tsink", "--latency-msec=10", "--raw", "/dev/zero"},
        environment));
    return true;
  }
  void Kill() {
    keep_alive_.reset();
    server_.reset();
  }
  void Freeze() { server_->Signal(SIGSTOP); }

 private:
  std::string Socket() const { return folder_ + "/native"; }
  bool Answers(const std::vector<std::string>& environment) const {
    const pid_t pid = Spawn({"sh", "-c", "exec pactl --server=" + Address() + " info >/dev/null 2>&1"}, environment);
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }

  bool with_bunching_source_;
  std::string folder_ = std::filesystem::temp_directory_path() / ("sonalix-pulse-" + std::to_string(getpid()));
  std::optional<Child> server_;
  std::optional<Child> keep_alive_;
};

// A socket that takes connections but never answers, like a frozen server.
class SilentServer {
 public:
  SilentServer() {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path_.copy(address.sun_path, sizeof address.sun_path - 1);
    bound_ = socket_ >= 0 && bind(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
             listen(socket_, 8) == 0;
  }
  SilentServer(const SilentServer&) = delete;
  SilentServer& operator=(const SilentServer&) = delete;
  ~SilentServer() {
    close(socket_);
    unlink(path_.c_str());
  }
  bool Bound() const { return bound_; }
  std::string Address() const { return "unix:" + path_; }

 private:
  std::string path_ = std::filesystem::temp_directory_path() / ("sonalix-silent-" + std::to_string(getpid()));
  int socket_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  bool bound_ = false;
};

class PulseCaptureTest : public ::testing::Test {
 protected:
  // The GLib loop's own descriptor, made on first use, is no capture's.
  PulseCaptureTest() { g_main_context_default(); }

  bool Measures(int more) {
    const int target = meter_.Count() + more;
    return Eventually([&] { return meter_.Count() >= target; });
  }
  // Starts and waits, running the loop, until sound arrives.
  static bool Started(TPulseCapture& capture) {
    capture.Start();
    return Eventually([&] { return capture.CaptureRunning(); });
  }
  bool Reported(std::size_t count) {
    return Eventually([&] { return reporter_.Count() >= count; });
  }
  // Shows whatever failure is still on its way: once Stop has returned,
  // the server's thread has posted all it will.
  static void Drain() {
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
  }

  RecordingMeter meter_;
  RecordingReporter reporter_;
};

const std::string kNoServer =
    std::string("エラー|PulseAudioに接続できませんでした: ") + pa_strerror(PA_ERR_CONNECTIONREFUSED);
const std::string kLost =
    std::string("エラー|PulseAudioとの接続が切れました: ") + pa_strerror(PA_ERR_CONNECTIONTERMINATED);

TEST_F(PulseCaptureTest, ToneArrivesInTenMillisecondBuffersAtTheModelsLevels) {
  TPulseCapture capture(meter_, reporter_);
  ASSERT_TRUE(Started(capture)) << ::testing::PrintToString(reporter_.shown);
  const Tone tone;
  ASSERT_TRUE(tone.Playing());
  const int left = SampleToLevel(kToneLeft);
  const int right = SampleToLevel(kToneRight);
  EXPECT_TRUE(Eventually([&] {
    const TStereoLevels levels = meter_.Levels();
    return levels[0].Level == static_cast<float>(left) && levels[1].Level == static_cast<float>(right);
  })) << meter_.Levels()[0].Level
      << " " << meter_.Levels()[1].Level;
  capture.Stop();
  EXPECT_FALSE(capture.CaptureRunning());
  EXPECT_GT(meter_.Count(), 0);
  EXPECT_EQ(meter_.WrongSizes(), 0);
  EXPECT_EQ(reporter_.Count(), 0u);
  // Where the strip draws: each buffer can tick it at once.
  EXPECT_EQ(meter_.Threads(), std::set<pid_t>{gettid()}) << "measured off the user-interface thread";
}

TEST_F(PulseCaptureTest, StartStopAndDestructionInAnyOrderAreSafeAndReportNothing) {
  const TOpenThings before;
  {
    TPulseCapture capture(meter_, reporter_);
    capture.Stop();
    EXPECT_TRUE(capture.CaptureIdle());
    // Stopped while connecting, and a Start while connecting does nothing.
    capture.Start();
    EXPECT_FALSE(capture.CaptureIdle()) << "an attempt under way may still measure";
    capture.Start();
    capture.Stop();
    EXPECT_TRUE(capture.CaptureIdle());
    EXPECT_EQ(TOpenThings(), before);
    ASSERT_TRUE(Started(capture));
    ASSERT_TRUE(Measures(3));
    EXPECT_FALSE(capture.CaptureIdle());
    const TOpenThings running;
    capture.Start();
    EXPECT_TRUE(capture.CaptureRunning()) << "a second Start connected again";
    ASSERT_TRUE(Measures(3));
    EXPECT_EQ(TOpenThings(), running);
    capture.Stop();
    capture.Stop();
    EXPECT_FALSE(capture.CaptureRunning());
    EXPECT_TRUE(capture.CaptureIdle());
    EXPECT_EQ(TOpenThings(), before);
    ASSERT_TRUE(Started(capture));
    ASSERT_TRUE(Measures(3)) << "no capture after Stop and Start";
  }
  EXPECT_EQ(TOpenThings(), before) << "destruction left the capture open";
  Drain();
  EXPECT_EQ(reporter_.shown, std::vector<std::string>{});
}

TEST_F(PulseCaptureTest, ConnectsAsSoonAsTheServerAnswersNotWhenTheTimeIsUp) {
  // A capture that waited out its time limit before it went on would not
  // run within the test's patience.
  TPulseCapture capture(meter_, reporter_, std::chrono::minutes(10));
  ASSERT_TRUE(Started(capture)) << ::testing::PrintToString(reporter_.shown);
  EXPECT_TRUE(Measures(3));
}

TEST_F(PulseCaptureTest, EachAttemptWithoutAServerIsReportedOnceAndLeavesNothingOpen) {
  const ServerAddress nowhere("unix:/nonexistent-sonalix/native");
  TPulseCapture capture(meter_, reporter_);
  const TOpenThings before;
  capture.Start();
  ASSERT_TRUE(Reported(1));
  EXPECT_TRUE(capture.CaptureIdle()) << "a failed attempt left the strip waiting for sound";
  capture.Start();
  ASSERT_TRUE(Reported(2));
  EXPECT_FALSE(capture.CaptureRunning());
  capture.Stop();
  capture.Stop();
  Drain();
  EXPECT_EQ(TOpenThings(), before);
  EXPECT_EQ(reporter_.shown, (std::vector<std::string>{kNoServer, kNoServer}));
  EXPECT_TRUE(reporter_.on_ui_thread);
}

TEST_F(PulseCaptureTest, ServerThatDiesIsReportedOnceOnTheUserInterfaceThreadAndStartRecovers) {
  PrivateServer server;
  ASSERT_TRUE(server.Up());
  const ServerAddress address(server.Address());
  TPulseCapture capture(meter_, reporter_);
  ASSERT_TRUE(Started(capture)) << ::testing::PrintToString(reporter_.shown);
  ASSERT_TRUE(Measures(3));

  server.Kill();
  ASSERT_TRUE(Reported(1));
  EXPECT_FALSE(capture.CaptureRunning());
  EXPECT_TRUE(capture.CaptureIdle());

  // While the server is away a Start tries and says so; once it is back,
  // Start captures again.
  capture.Start();
  ASSERT_TRUE(Reported(2));
  ASSERT_TRUE(server.Up());
  ASSERT_TRUE(Started(capture)) << ::testing::PrintToString(reporter_.shown);
  EXPECT_TRUE(Measures(3));
  server.Kill();
  ASSERT_TRUE(Reported(3));
  ASSERT_TRUE(server.Up());
  capture.Stop();
  capture.Stop();
  ASSERT_TRUE(Started(capture)) << ::testing::PrintToString(reporter_.shown);
  EXPECT_TRUE(Measures(3)) << "no capture after Stop and Start";
  capture.Stop();
  Drain();
  EXPECT_EQ(reporter_.shown, (std::vector<std::string>{kLost, kNoServer, kLost}));
  EXPECT_TRUE(reporter_.on_ui_thread);
}

TEST_F(PulseCaptureTest, ServerThatDoesNotAnswerHoldsNeitherStartNorStop) {
  {
    const SilentServer silent;
    ASSERT_TRUE(silent.Bound());
    const ServerAddress address(silent.Address());
    TPulseCapture capture(meter_, reporter_, std::chrono::milliseconds(300));
    const TOpenThings before;
    capture.Start();
    // A Start that waited for the server would have failed, and shown so,
    // before it returned; the box comes from the loop, which runs meanwhile
    // (the strip keeps drawing).
    EXPECT_EQ(reporter_.Count(), 0u) << "Start waited for the server";
    ASSERT_TRUE(Reported(1));
    EXPECT_FALSE(capture.CaptureRunning());
    capture.Stop();
    Drain();
    EXPECT_EQ(TOpenThings(), before);
    EXPECT_EQ(reporter_.shown, (std::vector<std::string>{std::string("エラー|PulseAudioに接続できませんでした: ") +
                                                         pa_strerror(PA_ERR_TIMEOUT)}));
  }
  PrivateServer server;
  ASSERT_TRUE(server.Up());
  const ServerAddress address(server.Address());
  TPulseCapture capture(meter_, reporter_);
  ASSERT_TRUE(Started(capture));
  ASSERT_TRUE(Measures(3));
  server.Freeze();
  capture.Stop();
  EXPECT_FALSE(capture.CaptureRunning());
}

TEST_F(PulseCaptureTest, StopInsideTheMeterEndsDeliveryThereAndStartInsideItCapturesAgain) {
  TPulseCapture capture(meter_, reporter_);
  int stopped_at = 0;
  bool idle_after_stop = false;
  // The strip's tick runs inside the measurement: the worst moment for its
  // Stop, and for a Start after it, is there, inside libpulse's callback.
  meter_.on_measure = [&] {
    if (stopped_at != 0) return;
    stopped_at = meter_.Count();
    capture.Stop();
    idle_after_stop = capture.CaptureIdle();
  };
  capture.Start();
  ASSERT_TRUE(Eventually([&] { return stopped_at != 0; }));
  EXPECT_TRUE(idle_after_stop);
  Drain();
  EXPECT_EQ(meter_.Count(), stopped_at) << "the meter was called after Stop";
  meter_.on_measure = [&] {
    if (meter_.Count() == stopped_at + 1) capture.Start();
  };
  ASSERT_TRUE(Started(capture));
  meter_.on_measure = [&] {
    capture.Stop();
    capture.Start();
  };
  ASSERT_TRUE(Measures(1));
  meter_.on_measure = nullptr;
  ASSERT_TRUE(Started(capture)) << "no capture after Stop and Start inside the meter";
  EXPECT_TRUE(Measures(3));
  capture.Stop();
  Drain();
  EXPECT_EQ(reporter_.shown, std::vector<std::string>{});
}

TEST_F(PulseCaptureTest, StopInsideTheMeterLeavesTheRestOfABunchUnmeasured) {
  PrivateServer server(true);
  ASSERT_TRUE(server.Up());
  const ServerAddress address(server.Address());
  TPulseCapture capture(meter_, reporter_);
  capture.SetDevice(PrivateServer::kBunchingSource);
  int stopped_at = 0;
  meter_.on_measure = [&] {
    if (stopped_at != 0) return;
    stopped_at = meter_.Count();
    capture.Stop();
  };
  capture.Start();
  ASSERT_TRUE(Eventually([&] { return stopped_at != 0; })) << ::testing::PrintToString(reporter_.shown);
  Drain();
  EXPECT_EQ(meter_.Count(), stopped_at) << "the rest of the piece was measured after Stop";
  EXPECT_EQ(reporter_.shown, std::vector<std::string>{});
}

TEST_F(PulseCaptureTest, BuffersAreCollectedWithoutAllocating) {
  FindOwnCode();
  TPulseCapture capture(meter_, reporter_);
  ASSERT_TRUE(Started(capture));
  ASSERT_TRUE(Measures(5));
  constexpr int kBuffers = 200;
  const int target = meter_.Count() + kBuffers;
  Allocations = 0;
  CountingAllocations = true;
  // The loop that delivers the sound runs here, its allocations counted too.
  Eventually([&] { return meter_.Count() >= target; });
  CountingAllocations = false;
  ASSERT_GE(meter_.Count(), target);
  capture.Stop();
  // A buffer that allocated would show here once per buffer.
  EXPECT_LT(Allocations.load(), kBuffers / 10);
}

}  // namespace
}  // namespace snx
