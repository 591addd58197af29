#pragma once
// Every PulseAudio source the user may meter, monitors of outputs among
// them, kept current by the server's change notifications on a connection
// and thread of this object's own.
#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/subscribe.h>
#include <pulse/thread-mainloop.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "main/core/input_devices.h"

namespace snx {

// What a monitor source is called in the menu: this, then its output's name.
inline constexpr char kMonitorPrefix[] = "モニター: ";

class TPulseSources final : public TInputDevices {
 public:
  // Connects at once and never waits for the server.
  TPulseSources();
  TPulseSources(const TPulseSources&) = delete;
  TPulseSources& operator=(const TPulseSources&) = delete;
  ~TPulseSources();

  // The sources as last heard, by their names (ids) and descriptions; none
  // before the server has answered or while there is no server. A connection
  // that was lost is made again here, for the next time.
  std::vector<TInputDevice> InputDevices() override;

 private:
  struct TMainloopFree {
    void operator()(pa_threaded_mainloop* mainloop) const { pa_threaded_mainloop_free(mainloop); }
  };
  struct TContextRelease {
    void operator()(pa_context* context) const;
  };
  // One listing of the sinks (for the monitors' names) and the sources.
  struct TListing;

  void Connect();
  void Disconnect();
  // On the server's thread.
  void List();
  // Shows `listing` once both its lists are in, and lets go of it.
  void ListDone(TListing* listing);

  static void ContextState(pa_context* context, void* self);
  static void Changed(pa_context* context, pa_subscription_event_type_t type, std::uint32_t index, void* self);
  static void SinkListed(pa_context* context, const pa_sink_info* info, int eol, void* listing);
  static void SourceListed(pa_context* context, const pa_source_info* info, int eol, void* listing);

  // Declared in this order so that the context goes before the thread that serves it.
  std::unique_ptr<pa_threaded_mainloop, TMainloopFree> mainloop_;
  std::unique_ptr<pa_context, TContextRelease> context_;
  std::atomic<bool> lost_ = false;
  // The listings under way, on the server's thread; those of a lost
  // connection never end, and go here with it.
  std::vector<std::unique_ptr<TListing>> listings_;

  std::mutex mutex_;
  std::vector<TInputDevice> devices_;
};

}  // namespace snx
