#pragma once
// A window message as the platform delivers it to a handler.
#include <cstdint>

namespace snx {

// Number, parameters, and the result once handled.
struct TMessage {
  std::uint32_t msg = 0;
  std::uintptr_t w_param = 0;
  std::intptr_t l_param = 0;
  std::intptr_t result = 0;
};

}  // namespace snx
