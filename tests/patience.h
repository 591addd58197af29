#pragma once
// How long a test waits for what it started (a server's answer, a buffer,
// a window, another thread's call) before it gives up. It only bounds a failure: the tests
// run on 2-core machines beside two other test lanes, and in the load tests
// beside busy loops too.
#include <chrono>

namespace snx {

inline constexpr std::chrono::seconds kPatience{60};

}  // namespace snx
