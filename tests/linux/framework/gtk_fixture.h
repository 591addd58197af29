#pragma once
// The one GTK application of a test executable, and waiting on the main loop
// for a condition rather than for a time.
#include <gtk/gtk.h>

#include <chrono>

#include "framework/linux/application.h"
#include "tests/patience.h"

namespace snx {

inline TGtkApplication& TestApplication() {
  static TGtkApplication application;
  return application;
}

// Runs the main loop until `done` holds or the timeout passes; whether it held.
template <class Predicate>
bool LoopUntil(Predicate done, std::chrono::milliseconds timeout = kPatience) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    g_main_context_iteration(nullptr, FALSE);
    if (!done()) g_usleep(500);
  }
  return true;
}

}  // namespace snx
