#include "framework/core/bitmap_pixels.h"

#include <cstddef>

namespace snx {

namespace {

std::uint32_t U32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// Blue, green, red in that order, as the rows and the colour table store them.
std::uint32_t FromBgr(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[1]) << 8 | p[0];
}

// A 5-bit channel widened to 8 bits, as the display does.
std::uint32_t Widen5(std::uint32_t v) { return v << 3 | v >> 2; }

}  // namespace

std::vector<std::uint32_t> BitmapPixels(const TBitmap& bitmap) {
  const std::uint8_t* info = bitmap.Info();
  const std::uint32_t header_size = U32(info);
  const bool bottom_up = static_cast<std::int32_t>(U32(info + 8)) > 0;
  const auto bit_count = static_cast<unsigned>(info[14] | info[15] << 8);
  const std::uint32_t colors_used = U32(info + 32);
  const std::uint32_t colors = bit_count <= 8 ? (colors_used != 0 ? colors_used : 1u << bit_count) : 0;
  const std::uint8_t* table = info + header_size;

  const auto width = static_cast<std::size_t>(bitmap.Width());
  const auto height = static_cast<std::size_t>(bitmap.Height());
  const std::size_t stride = (width * bit_count + 31) / 32 * 4;
  std::vector<std::uint32_t> pixels(width * height);
  for (std::size_t y = 0; y < height; ++y) {
    const std::uint8_t* row = bitmap.Bits() + stride * (bottom_up ? height - 1 - y : y);
    std::uint32_t* out = pixels.data() + width * y;
    for (std::size_t x = 0; x < width; ++x) {
      switch (bit_count) {
        case 32:
        case 24:
          out[x] = FromBgr(row + x * (bit_count / 8));
          break;
        case 16: {
          const std::uint32_t v = row[x * 2] | static_cast<std::uint32_t>(row[x * 2 + 1]) << 8;
          out[x] = Widen5(v >> 10 & 31) << 16 | Widen5(v >> 5 & 31) << 8 | Widen5(v & 31);
          break;
        }
        default: {
          // 1, 4 or 8 bits: the leftmost pixel in the byte's high bits.
          const std::size_t bit = x * bit_count;
          const unsigned shift = 8 - bit_count - static_cast<unsigned>(bit % 8);
          const std::uint32_t index = (row[bit / 8] >> shift) & ((1u << bit_count) - 1);
          out[x] = index < colors ? FromBgr(table + std::size_t{index} * 4) : 0;
        }
      }
    }
  }
  return pixels;
}

}  // namespace snx
