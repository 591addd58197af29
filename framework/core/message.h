#pragma once
// A window message as the platform delivers it to a handler.
#include <cstdint>

namespace snx {

// Number, parameters, and the result once handled.
struct TMessage {
  std::uint32_t Msg = 0;
  std::uintptr_t WParam = 0;
  std::intptr_t LParam = 0;
  std::intptr_t Result = 0;
};

}  // namespace snx
