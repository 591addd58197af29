#pragma once
// The ways a session ends a program other than its own Exit: a signal (the
// session manager's SIGTERM at logout, SIGHUP when its terminal closes,
// SIGINT for Ctrl+C) and the X server going away. Either way the program
// gets the chance to save what it holds.
#include <functional>

#include "framework/linux/handles.h"

namespace snx {

class TSessionEnd {
 public:
  // `close_request` runs on the main loop for each signal, as a window
  // manager's close request would. `display_lost` runs inside Xlib once the
  // default display's connection has broken, where nothing may wait on the
  // server; the process then ends with status 1.
  TSessionEnd(std::function<void()> close_request, std::function<void()> display_lost);
  TSessionEnd(const TSessionEnd&) = delete;
  TSessionEnd& operator=(const TSessionEnd&) = delete;

 private:
  std::function<void()> close_request_;
  std::function<void()> display_lost_;
  TSourceId term_, interrupt_, hang_up_;
};

}  // namespace snx
