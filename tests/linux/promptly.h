#pragma once
// A call that must not wait on file system objects (a FIFO waits for a
// writer): one that does fails the test and is let go, so the test ends.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <vector>

#include "tests/patience.h"

namespace snx {

inline void Promptly(const std::vector<std::string>& paths, const std::function<void()>& call) {
  auto done = std::async(std::launch::async, call);
  // A FIFO waits for good: any limit tells, and a loaded machine needs one.
  if (done.wait_for(kPatience) == std::future_status::ready) return done.get();
  ADD_FAILURE() << "waits on " << ::testing::PrintToString(paths);
  // A writer that comes and goes ends a read that waits for one.
  do {
    for (const std::string& path : paths) close(open(path.c_str(), O_WRONLY | O_NONBLOCK));
  } while (done.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready);
  done.get();
}

}  // namespace snx
