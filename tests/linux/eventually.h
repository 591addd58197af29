#pragma once
// Waits for a condition that the user-interface thread's GLib loop brings
// about (a server's answer, a failure shown from the loop), running the
// loop meanwhile.
#include <glib.h>

#include <chrono>
#include <functional>
#include <thread>

#include "tests/patience.h"

namespace snx {

inline bool Eventually(const std::function<bool()>& done, std::chrono::milliseconds limit = kPatience) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace snx
