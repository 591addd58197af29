#include "main/linux/pulse_sources.h"

#include <algorithm>
#include <map>
#include <utility>

namespace snx {

struct TPulseSources::TListing {
  TPulseSources* owner;
  std::map<std::uint32_t, std::string> sink_names;
  std::vector<TInputDevice> sources;
  // Monitors, by the sink they watch; named once both lists are in.
  std::vector<std::pair<std::size_t, std::uint32_t>> monitors;
  int lists_pending = 2;
  // A list the server refused: this listing shows nothing.
  bool refused = false;
};

namespace {

std::string Described(const char* description, const char* name) {
  return description != nullptr && *description != '\0' ? description : name;
}

}  // namespace

void TPulseSources::TContextRelease::operator()(pa_context* context) const {
  pa_context_set_state_callback(context, nullptr, nullptr);
  pa_context_set_subscribe_callback(context, nullptr, nullptr);
  pa_context_disconnect(context);
  pa_context_unref(context);
}

TPulseSources::TPulseSources() { Connect(); }

TPulseSources::~TPulseSources() { Disconnect(); }

void TPulseSources::Connect() {
  lost_ = false;
  mainloop_.reset(pa_threaded_mainloop_new());
  if (!mainloop_) return;
  context_.reset(pa_context_new(pa_threaded_mainloop_get_api(mainloop_.get()), "Sonalix"));
  if (!context_) return;
  pa_context_set_state_callback(context_.get(), ContextState, this);
  pa_context_set_subscribe_callback(context_.get(), Changed, this);
  // As capture does: a missing server is not started behind the user's back.
  if (pa_context_connect(context_.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
    lost_ = true;
    return;
  }
  if (pa_threaded_mainloop_start(mainloop_.get()) < 0) lost_ = true;
}

void TPulseSources::Disconnect() {
  // Stopping the thread waits for a callback in progress; the listings still
  // under way go with the operations the context drops.
  if (mainloop_) pa_threaded_mainloop_stop(mainloop_.get());
  context_.reset();
  mainloop_.reset();
  listings_.clear();
}

std::vector<TInputDevice> TPulseSources::InputDevices() {
  if (lost_ || !context_) {
    Disconnect();
    {
      const std::lock_guard lock(mutex_);
      devices_.clear();
    }
    Connect();
  }
  const std::lock_guard lock(mutex_);
  return devices_;
}

void TPulseSources::ContextState(pa_context* context, void* self) {
  auto* sources = static_cast<TPulseSources*>(self);
  const pa_context_state_t state = pa_context_get_state(context);
  if (state == PA_CONTEXT_READY) {
    const auto mask = static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SOURCE | PA_SUBSCRIPTION_MASK_SINK);
    if (pa_operation* subscribed = pa_context_subscribe(context, mask, nullptr, nullptr)) {
      pa_operation_unref(subscribed);
    }
    sources->List();
  } else if (!PA_CONTEXT_IS_GOOD(state)) {
    sources->lost_ = true;
  }
}

void TPulseSources::Changed(pa_context*, pa_subscription_event_type_t, std::uint32_t, void* self) {
  // A sink's new name changes its monitor's: both lists again, whatever changed.
  static_cast<TPulseSources*>(self)->List();
}

void TPulseSources::List() {
  TListing* listing = listings_.emplace_back(std::make_unique<TListing>(TListing{this, {}, {}, {}, 2, false})).get();
  // The server answers in the order asked: the last listing asked for is the last shown.
  for (pa_operation* asked : {pa_context_get_sink_info_list(context_.get(), SinkListed, listing),
                              pa_context_get_source_info_list(context_.get(), SourceListed, listing)}) {
    if (asked == nullptr) {
      // The connection is going; the next look makes a new one.
      lost_ = true;
    } else {
      pa_operation_unref(asked);
    }
  }
}

void TPulseSources::SinkListed(pa_context*, const pa_sink_info* info, int eol, void* data) {
  auto* listing = static_cast<TListing*>(data);
  if (eol == 0 && info != nullptr) {
    listing->sink_names[info->index] = Described(info->description, info->name);
    return;
  }
  listing->refused = listing->refused || eol < 0;
  listing->owner->ListDone(listing);
}

void TPulseSources::SourceListed(pa_context*, const pa_source_info* info, int eol, void* data) {
  auto* listing = static_cast<TListing*>(data);
  if (eol == 0 && info != nullptr) {
    if (info->monitor_of_sink != PA_INVALID_INDEX) {
      listing->monitors.emplace_back(listing->sources.size(), info->monitor_of_sink);
    }
    listing->sources.push_back({info->name, Described(info->description, info->name)});
    return;
  }
  listing->refused = listing->refused || eol < 0;
  listing->owner->ListDone(listing);
}

void TPulseSources::ListDone(TListing* listing) {
  if (--listing->lists_pending > 0) return;
  if (!listing->refused) {
    std::vector<TInputDevice> devices = std::move(listing->sources);
    for (const auto& [at, sink] : listing->monitors) {
      const auto named = listing->sink_names.find(sink);
      if (named != listing->sink_names.end()) devices[at].label = kMonitorPrefix + named->second;
    }
    const std::lock_guard lock(mutex_);
    devices_ = std::move(devices);
  }
  std::erase_if(listings_, [listing](const std::unique_ptr<TListing>& l) { return l.get() == listing; });
}

}  // namespace snx
