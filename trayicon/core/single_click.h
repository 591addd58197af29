#pragma once
// The thread that tells a single left click from the first half of a double
// click: it waits out the double-click time, then hands its end to the
// user-interface thread.
#include <functional>
#include <thread>

#include "trayicon/core/tray_platform.h"

namespace snx {

class TSingleClick {
 public:
  // Starts at once: sleeps for the double-click time plus 50 ms, then has
  // the user-interface thread call `ended` with this wait.
  TSingleClick(TTrayInput& input, std::function<void(TSingleClick*)> ended);
  ~TSingleClick();
  TSingleClick(const TSingleClick&) = delete;
  TSingleClick& operator=(const TSingleClick&) = delete;

 private:
  std::thread thread_;
};

}  // namespace snx
