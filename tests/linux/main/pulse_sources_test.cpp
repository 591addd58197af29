// The sources the user may choose, and capture from a chosen one, against
// the test desktop's audio server: each case adds an output of its own (a
// null sink, whose monitor is a source) and takes it away again.
#include "main/linux/pulse_sources.h"

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "main/linux/pulse_capture.h"
#include "tests/linux/eventually.h"
#include "tests/patience.h"

namespace snx {
namespace {

using namespace std::chrono_literals;

// What pactl printed, and whether it ended well.
struct TRun {
  std::string output;
  bool ok;
};

TRun Pactl(const std::vector<std::string>& arguments) {
  TRun run{"", false};
  std::array<int, 2> pipe_ends{};
  if (pipe(pipe_ends.data()) != 0) return run;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipe_ends[0]);
  std::vector<char*> argv{const_cast<char*>("pactl")};
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  const bool spawned = posix_spawnp(&pid, "pactl", &actions, nullptr, argv.data(), environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  close(pipe_ends[1]);
  std::array<char, 256> chunk{};
  for (ssize_t n = 0; (n = read(pipe_ends[0], chunk.data(), chunk.size())) > 0;) {
    run.output.append(chunk.data(), static_cast<std::size_t>(n));
  }
  close(pipe_ends[0]);
  int status = 0;
  run.ok = spawned && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}

// An output of the test's own on the desktop's server, gone with the object
// (or before, by Remove).
class OwnSink {
 public:
  explicit OwnSink(const std::string& description) {
    // Quoted for the module's arguments, and within them for the property list.
    const TRun loaded = Pactl({"load-module", "module-null-sink", "sink_name=" + name_,
                               R"(sink_properties="device.description=')" + description + R"('")"});
    if (loaded.ok) module_ = loaded.output.substr(0, loaded.output.find('\n'));
  }
  OwnSink(const OwnSink&) = delete;
  OwnSink& operator=(const OwnSink&) = delete;
  ~OwnSink() { Remove(); }
  bool Loaded() const { return !module_.empty(); }
  void Remove() {
    if (!module_.empty()) Pactl({"unload-module", std::exchange(module_, "")});
  }
  const std::string& Name() const { return name_; }
  std::string Monitor() const { return name_ + ".monitor"; }

 private:
  std::string name_ = "sonalix_test_" + std::to_string(getpid());
  std::string module_;
};

// Plays a steady loud left channel into one sink until it goes.
class Tone {
 public:
  explicit Tone(const std::string& sink) {
    std::vector<char> frames(std::size_t{2} * 44100 * 30);
    for (std::size_t i = 0; i < frames.size(); i += 2) {
      frames[i] = static_cast<char>(228);
      frames[i + 1] = static_cast<char>(128);
    }
    std::ofstream(file_, std::ios::binary).write(frames.data(), static_cast<std::streamsize>(frames.size()));
    const std::string device = "--device=" + sink;
    std::vector<const char*> argv{"pacat",        "--playback",   device.c_str(), "--raw", "--format=u8",
                                  "--channels=2", "--rate=44100", file_.c_str(),  nullptr};
    if (posix_spawnp(&pid_, argv[0], nullptr, nullptr, const_cast<char* const*>(argv.data()), environ) != 0) pid_ = -1;
  }
  Tone(const Tone&) = delete;
  Tone& operator=(const Tone&) = delete;
  ~Tone() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    std::filesystem::remove(file_);
  }

 private:
  std::string file_ = std::filesystem::temp_directory_path() / ("sonalix-source-tone-" + std::to_string(getpid()));
  pid_t pid_ = -1;
};

class Reporter final : public TErrorReporter {
 public:
  void ShowError(const std::string& text, const std::string&) override {
    const std::lock_guard lock(mutex_);
    shown_.push_back(text);
  }
  std::vector<std::string> Shown() const {
    const std::lock_guard lock(mutex_);
    return shown_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> shown_;
};

bool Lists(TPulseSources& sources, const TInputDevice& wanted) {
  const std::vector<TInputDevice> devices = sources.InputDevices();
  return std::find(devices.begin(), devices.end(), wanted) != devices.end();
}

bool ListsName(TPulseSources& sources, const std::string& name) {
  const std::vector<TInputDevice> devices = sources.InputDevices();
  return std::any_of(devices.begin(), devices.end(), [&name](const TInputDevice& d) { return d.id == name; });
}

TEST(PulseSourcesTest, EverySourceIsListedMonitorsByTheirOutputsNameAndTheListFollowsTheServer) {
  TPulseSources sources;
  // The desktop's own output, whose monitor is the default input.
  std::string desktop_sink;
  {
    const std::string sinks = Pactl({"list", "sinks"}).output;
    const std::string label = "Description: ";
    const std::size_t at = sinks.find(label);
    if (at != std::string::npos)
      desktop_sink = sinks.substr(at + label.size(), sinks.find('\n', at) - at - label.size());
  }
  ASSERT_FALSE(desktop_sink.empty());
  EXPECT_TRUE(Eventually([&] { return Lists(sources, {"vsink.monitor", kMonitorPrefix + desktop_sink}); }));

  OwnSink sink("Tone & Co");
  ASSERT_TRUE(sink.Loaded());
  EXPECT_TRUE(Eventually([&] { return Lists(sources, {sink.Monitor(), "モニター: Tone & Co"}); }));
  sink.Remove();
  EXPECT_TRUE(Eventually([&] { return !ListsName(sources, sink.Monitor()); }));
  EXPECT_TRUE(ListsName(sources, "vsink.monitor"));
}

class ChosenSourceTest : public testing::Test {
 protected:
  bool Lit() const { return levels_.Snapshot()[0].Level > 50.0f; }

  OwnSink sink_{"Chosen"};
  TChannelLevels levels_;
  Reporter reporter_;
  TPulseCapture capture_{levels_, reporter_};
};

TEST_F(ChosenSourceTest, ItIsRecordedAndOneThatIsMissingOrGoesIsNamedAndNeverLeftForAnother) {
  ASSERT_TRUE(sink_.Loaded());
  capture_.SetDevice(sink_.Monitor());
  const Tone tone(sink_.Name());
  capture_.Start();
  ASSERT_TRUE(Eventually([&] { return Lit(); })) << "the chosen source's tone never reached the meter";

  // The output goes while it is recorded: named, and capture stops rather
  // than move to the default.
  sink_.Remove();
  ASSERT_TRUE(Eventually([&] { return !reporter_.Shown().empty(); }));
  EXPECT_EQ(reporter_.Shown(), std::vector<std::string>{"入力デバイスがなくなりました: " + sink_.Monitor()});
  EXPECT_TRUE(capture_.CaptureIdle());

  capture_.Start();
  ASSERT_TRUE(Eventually([&] { return reporter_.Shown().size() == 2; }));
  EXPECT_EQ(reporter_.Shown()[1], "入力デバイスが見つかりません: " + sink_.Monitor());
  EXPECT_TRUE(capture_.CaptureIdle());

  // The default is there all along and records as ever.
  capture_.SetDevice("");
  capture_.Start();
  EXPECT_TRUE(Eventually([&] { return capture_.CaptureRunning(); }));
  capture_.Stop();
  EXPECT_EQ(reporter_.Shown().size(), 2u);
}

}  // namespace
}  // namespace snx
