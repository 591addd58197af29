// Which loop should carry the capture: records the default source as the
// strip does (8-bit stereo at 44100 Hz in 10 ms pieces) for a while in each
// of three designs, each in a fresh child process, in alternating rounds,
// and prints the CPU each used and how often its threads woke:
//
//   timer   libpulse's own thread for the stream, and a 10 ms GLib timer on
//           the main thread for the ticks (two threads wake every 10 ms);
//   glib    libpulse on GLib's main loop (pa_glib_mainloop), each piece
//           ticking at once on the main thread (one thread wakes);
//   lean    the same through the strip's own GLib source for libpulse
//           (TGlibPulseLoop), which GLib does not block around its dispatch;
//   thread  libpulse's plain loop on a thread of its own, ticking there,
//           the main thread's GLib loop asleep (one thread wakes).
//
// A tick here is what a steady tone costs the strip: a ballistics step and
// no drawing. Usage: loop_bench [seconds [rounds [design]]] (default 10 3,
// all four), with PULSE_SERVER or the session's server recording the sound
// to measure.
#include <glib.h>
#include <pulse/glib-mainloop.h>
#include <pulse/mainloop.h>
#include <pulse/pulseaudio.h>
#include <pulse/thread-mainloop.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "main/core/level_meter.h"
#include "main/linux/glib_pulse_loop.h"

namespace {

constexpr std::array<std::string_view, 4> kDesigns = {"timer", "glib", "lean", "thread"};
constexpr pa_sample_spec kSpec = {.format = PA_SAMPLE_U8, .rate = 44100, .channels = 2};
constexpr std::uint32_t kPiece = 882;

// What one run measured of its own process.
struct TFigures {
  double cpu_percent = 0;
  double wakeups_per_second = 0;
  double pieces_per_second = 0;
};

// How many times the threads of this process have slept and been woken so
// far: their voluntary context switches (being put back on a core after
// another process took it is the machine's load, not a wake-up).
long ThreadWakeups() {
  long wakeups = 0;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    std::ifstream status(task.path() / "status");
    std::string line;
    constexpr std::string_view kVoluntary = "voluntary_ctxt_switches:";
    while (std::getline(status, line)) {
      if (line.starts_with(kVoluntary)) wakeups += std::atol(line.c_str() + kVoluntary.size());
    }
  }
  return wakeups;
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The stream and the strip's work per piece, on whichever loop runs it.
class TRecorder {
 public:
  explicit TRecorder(pa_mainloop_api* api, bool tick_per_piece)
      : context_(pa_context_new(api, "loop_bench")), tick_per_piece_(tick_per_piece) {
    pa_context_set_state_callback(context_, ContextState, this);
    pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr);
  }
  TRecorder(const TRecorder&) = delete;
  TRecorder& operator=(const TRecorder&) = delete;
  ~TRecorder() {
    if (stream_ != nullptr) {
      pa_stream_disconnect(stream_);
      pa_stream_unref(stream_);
    }
    pa_context_disconnect(context_);
    pa_context_unref(context_);
  }

  void Tick() { levels_.DecayLevels(); }
  long Pieces() const { return pieces_; }
  bool Running() const { return running_; }

 private:
  static void ContextState(pa_context* context, void* self) {
    auto* recorder = static_cast<TRecorder*>(self);
    if (pa_context_get_state(context) != PA_CONTEXT_READY) return;
    recorder->stream_ = pa_stream_new(context, "loop_bench", &kSpec, nullptr);
    pa_stream_set_read_callback(recorder->stream_, Read, recorder);
    pa_stream_set_state_callback(
        recorder->stream_,
        [](pa_stream* stream, void* me) {
          static_cast<TRecorder*>(me)->running_ = pa_stream_get_state(stream) == PA_STREAM_READY;
        },
        recorder);
    const pa_buffer_attr attributes = {.maxlength = static_cast<std::uint32_t>(-1),
                                       .tlength = static_cast<std::uint32_t>(-1),
                                       .prebuf = static_cast<std::uint32_t>(-1),
                                       .minreq = static_cast<std::uint32_t>(-1),
                                       .fragsize = kPiece};
    pa_stream_connect_record(recorder->stream_, nullptr, &attributes, PA_STREAM_ADJUST_LATENCY);
  }
  static void Read(pa_stream* stream, std::size_t, void* self) {
    auto* recorder = static_cast<TRecorder*>(self);
    const void* data = nullptr;
    std::size_t length = 0;
    while (pa_stream_readable_size(stream) > 0 && pa_stream_peek(stream, &data, &length) == 0 && length > 0) {
      if (data != nullptr && length >= 2) {
        recorder->levels_.MeasureBuffer(static_cast<const std::uint8_t*>(data), length);
        if (recorder->tick_per_piece_) recorder->Tick();
      }
      ++recorder->pieces_;
      pa_stream_drop(stream);
    }
  }

  pa_context* context_;
  pa_stream* stream_ = nullptr;
  const bool tick_per_piece_;
  snx::TChannelLevels levels_;
  std::atomic<long> pieces_ = 0;
  std::atomic<bool> running_ = false;
};

// Runs `seconds` of the main thread's GLib loop once the stream records,
// and measures the process over them.
template <class TPieces>
TFigures Measure(double seconds, const TPieces& pieces, const std::atomic<bool>& recording) {
  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  const auto quit = [](gpointer l) -> gboolean {
    g_main_loop_quit(static_cast<GMainLoop*>(l));
    return G_SOURCE_REMOVE;
  };
  // Until the stream runs, then one more second past its start-up.
  while (!recording) g_main_context_iteration(nullptr, TRUE);
  g_timeout_add(1000, quit, loop);
  g_main_loop_run(loop);
  const long runs = ThreadWakeups();
  const double cpu = CpuSeconds();
  const long first = pieces();
  const gint64 start = g_get_monotonic_time();
  g_timeout_add(static_cast<guint>(seconds * 1000), quit, loop);
  g_main_loop_run(loop);
  const double elapsed = static_cast<double>(g_get_monotonic_time() - start) / 1e6;
  TFigures figures{100 * (CpuSeconds() - cpu) / elapsed, static_cast<double>(ThreadWakeups() - runs) / elapsed,
                   static_cast<double>(pieces() - first) / elapsed};
  g_main_loop_unref(loop);
  return figures;
}

// A GLib source that wakes the loop now and then, so that the wait for the
// stream in Measure sees it start.
guint Polling(const TRecorder& recorder, std::atomic<bool>& recording) {
  struct TPoll {
    const TRecorder* recorder;
    std::atomic<bool>* recording;
  };
  auto* poll = new TPoll{&recorder, &recording};
  return g_timeout_add_full(
      G_PRIORITY_DEFAULT, 50,
      [](gpointer p) -> gboolean {
        auto* me = static_cast<TPoll*>(p);
        *me->recording = me->recorder->Running();
        return me->recording->load() ? G_SOURCE_REMOVE : G_SOURCE_CONTINUE;
      },
      poll, [](gpointer p) { delete static_cast<TPoll*>(p); });
}

TFigures RunTimer(double seconds) {
  pa_threaded_mainloop* mainloop = pa_threaded_mainloop_new();
  TFigures figures;
  {
    pa_threaded_mainloop_lock(mainloop);
    TRecorder recorder(pa_threaded_mainloop_get_api(mainloop), false);
    pa_threaded_mainloop_unlock(mainloop);
    pa_threaded_mainloop_start(mainloop);
    std::atomic<bool> recording = false;
    Polling(recorder, recording);
    const guint ticks = g_timeout_add(
        10,
        [](gpointer r) -> gboolean {
          static_cast<TRecorder*>(r)->Tick();
          return G_SOURCE_CONTINUE;
        },
        &recorder);
    figures = Measure(
        seconds, [&recorder] { return recorder.Pieces(); }, recording);
    g_source_remove(ticks);
    pa_threaded_mainloop_stop(mainloop);
  }
  pa_threaded_mainloop_free(mainloop);
  return figures;
}

TFigures RunGlib(double seconds) {
  pa_glib_mainloop* mainloop = pa_glib_mainloop_new(nullptr);
  TFigures figures;
  {
    const TRecorder recorder(pa_glib_mainloop_get_api(mainloop), true);
    std::atomic<bool> recording = false;
    Polling(recorder, recording);
    figures = Measure(
        seconds, [&recorder] { return recorder.Pieces(); }, recording);
  }
  pa_glib_mainloop_free(mainloop);
  return figures;
}

TFigures RunLean(double seconds) {
  snx::TGlibPulseLoop loop(g_main_context_default());
  const TRecorder recorder(loop.Api(), true);
  std::atomic<bool> recording = false;
  Polling(recorder, recording);
  return Measure(
      seconds, [&recorder] { return recorder.Pieces(); }, recording);
}

TFigures RunThread(double seconds) {
  pa_mainloop* mainloop = pa_mainloop_new();
  TFigures figures;
  {
    const TRecorder recorder(pa_mainloop_get_api(mainloop), true);
    std::thread loop([mainloop] { pa_mainloop_run(mainloop, nullptr); });
    std::atomic<bool> recording = false;
    Polling(recorder, recording);
    figures = Measure(
        seconds, [&recorder] { return recorder.Pieces(); }, recording);
    pa_mainloop_quit(mainloop, 0);
    loop.join();
  }
  pa_mainloop_free(mainloop);
  return figures;
}

// One design in a child process of its own, so that no loop or thread of
// another design runs beside it.
bool RunChild(std::string_view design, double seconds, TFigures& figures) {
  int pipe_ends[2] = {-1, -1};
  if (pipe(pipe_ends) != 0) return false;
  const pid_t child = fork();
  if (child == 0) {
    close(pipe_ends[0]);
    const TFigures measured = design == "timer"  ? RunTimer(seconds)
                              : design == "glib" ? RunGlib(seconds)
                              : design == "lean" ? RunLean(seconds)
                                                 : RunThread(seconds);
    const ssize_t written = write(pipe_ends[1], &measured, sizeof measured);
    _exit(written == sizeof measured ? 0 : 1);
  }
  close(pipe_ends[1]);
  const ssize_t got = child > 0 ? read(pipe_ends[0], &figures, sizeof figures) : 0;
  close(pipe_ends[0]);
  int status = 0;
  if (child > 0) waitpid(child, &status, 0);
  return got == sizeof figures && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  const std::string_view only = argc > 3 ? argv[3] : "";
  std::array<std::vector<TFigures>, kDesigns.size()> results;
  for (int round = 0; round < rounds; ++round) {
    for (std::size_t i = 0; i < kDesigns.size(); ++i) {
      // Alternating the order, so that the machine's drift touches all alike.
      const std::size_t design = round % 2 == 0 ? i : kDesigns.size() - 1 - i;
      if (!only.empty() && kDesigns[design] != only) continue;
      TFigures figures;
      if (!RunChild(kDesigns[design], seconds, figures)) {
        std::fprintf(stderr, "loop_bench: the %s design did not record\n", std::string(kDesigns[design]).c_str());
        return 1;
      }
      results[design].push_back(figures);
    }
  }
  std::printf("%d rounds of %.0f s each, alternating; median (min-max) of the rounds\n", rounds, seconds);
  std::printf("%-8s %-26s %-26s %s\n", "design", "CPU, % of one core", "wake-ups per second", "pieces per second");
  for (std::size_t design = 0; design < kDesigns.size(); ++design) {
    if (results[design].empty()) continue;
    std::vector<double> cpu;
    std::vector<double> wakeups;
    std::vector<double> pieces;
    for (const TFigures& f : results[design]) {
      cpu.push_back(f.cpu_percent);
      wakeups.push_back(f.wakeups_per_second);
      pieces.push_back(f.pieces_per_second);
    }
    const auto spread = [](const std::vector<double>& v) {
      char text[64];
      std::snprintf(text, sizeof text, "%.2f (%.2f-%.2f)", Median(v), *std::min_element(v.begin(), v.end()),
                    *std::max_element(v.begin(), v.end()));
      return std::string(text);
    };
    std::printf("%-8s %-26s %-26s %s\n", std::string(kDesigns[design]).c_str(), spread(cpu).c_str(),
                spread(wakeups).c_str(), spread(pieces).c_str());
  }
  return 0;
}
