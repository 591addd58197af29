// Stored bitmaps (skins, the about banner) on arbitrary bytes: a bitmap that
// passes the check can be read in full, header, colour table and every pixel
// row and each pixel's colour, without leaving the data (AddressSanitizer watches the reads).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "framework/core/bitmap.h"
#include "framework/core/object.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> file(data, data + size);
  try {
    const snx::TBitmap bitmap = snx::TBitmap::FromFile(std::move(file));
    const std::uint8_t* info = bitmap.Info();
    const std::uint32_t header_size = static_cast<std::uint32_t>(info[0]) | static_cast<std::uint32_t>(info[1]) << 8 |
                                      static_cast<std::uint32_t>(info[2]) << 16 |
                                      static_cast<std::uint32_t>(info[3]) << 24;
    const int bit_count = info[14] | info[15] << 8;
    const std::uint32_t colors_used = static_cast<std::uint32_t>(info[32]) | static_cast<std::uint32_t>(info[33]) << 8 |
                                      static_cast<std::uint32_t>(info[34]) << 16 |
                                      static_cast<std::uint32_t>(info[35]) << 24;
    const std::size_t colors = bit_count <= 8 ? (colors_used != 0 ? colors_used : 1u << bit_count) : colors_used;
    volatile std::uint8_t sink = 0;
    for (std::size_t i = 0; i < header_size + colors * 4; ++i) sink = static_cast<std::uint8_t>(sink + info[i]);
    const std::size_t stride = (static_cast<std::size_t>(bitmap.Width()) * bit_count + 31) / 32 * 4;
    const std::uint8_t* bits = bitmap.Bits();
    for (std::size_t i = 0; i < stride * static_cast<std::size_t>(bitmap.Height()); ++i) {
      sink = static_cast<std::uint8_t>(sink + bits[i]);
    }
    // Every pixel's colour, as platforms without the bitmap calls read them.
    for (int y = 0; y < bitmap.Height(); ++y) {
      for (int x = 0; x < bitmap.Width(); ++x) sink = static_cast<std::uint8_t>(sink + bitmap.Rgb(x, y));
    }
  } catch (const snx::EReadError&) {
    // Not a bitmap that can be drawn safely: refused, as it should be.
  }
  return 0;
}
