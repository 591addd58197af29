#pragma once
// Bitmap files made up for tests of pictures.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace snx {

// A minimal 24-bit bitmap file of w x h black pixels.
inline std::vector<std::uint8_t> BitmapFile(int w, int h) {
  const int stride = (w * 3 + 3) & ~3;
  const int image = stride * h;
  std::vector<std::uint8_t> f(54 + static_cast<std::size_t>(image), 0);
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) f[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  f[0] = 'B';
  f[1] = 'M';
  put32(2, static_cast<std::uint32_t>(f.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<std::uint32_t>(w));
  put32(22, static_cast<std::uint32_t>(h));
  f[26] = 1;
  f[28] = 24;
  return f;
}

}  // namespace snx
