#include "framework/core/bitmap_pixels.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace snx {
namespace {

struct PixelCase {
  const char* name;
  int width;
  int height;  // negative: rows stored top row first
  int bit_count;
  std::vector<std::uint32_t> palette;           // 0x00RRGGBB
  std::vector<std::vector<std::uint8_t>> rows;  // top row first, unpadded
  std::vector<std::uint32_t> expected;          // top row first
};

// A bitmap file holding the case's rows, padded and in the stored order.
std::vector<std::uint8_t> FileOf(const PixelCase& c) {
  const int rows = c.height < 0 ? -c.height : c.height;
  const std::size_t stride = (static_cast<std::size_t>(c.width) * c.bit_count + 31) / 32 * 4;
  const std::size_t bits_offset = 54 + c.palette.size() * 4;
  std::vector<std::uint8_t> f(bits_offset + stride * rows, 0);
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) f[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  f[0] = 'B';
  f[1] = 'M';
  put32(2, static_cast<std::uint32_t>(f.size()));
  put32(10, static_cast<std::uint32_t>(bits_offset));
  put32(14, 40);
  put32(18, static_cast<std::uint32_t>(c.width));
  put32(22, static_cast<std::uint32_t>(c.height));
  f[26] = 1;
  f[28] = static_cast<std::uint8_t>(c.bit_count);
  put32(46, static_cast<std::uint32_t>(c.palette.size()));
  for (std::size_t i = 0; i < c.palette.size(); ++i) put32(54 + i * 4, c.palette[i]);  // blue, green, red, 0
  for (int y = 0; y < rows; ++y) {
    const int stored = c.height < 0 ? y : rows - 1 - y;
    std::copy(c.rows[y].begin(), c.rows[y].end(), f.data() + bits_offset + stride * stored);
  }
  return f;
}

constexpr std::uint32_t kP0 = 0x102030, kP1 = 0xA0B0C0, kP2 = 0x445566, kP3 = 0x0000FF;

class BitmapPixelsTest : public testing::TestWithParam<PixelCase> {};

TEST_P(BitmapPixelsTest, GivesTheStoredColoursTopRowFirst) {
  EXPECT_EQ(BitmapPixels(TBitmap::FromFile(FileOf(GetParam()))), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Depths, BitmapPixelsTest,
    testing::Values(
        PixelCase{"OneBit", 3, 2, 1, {kP0, kP1}, {{0xA0}, {0x60}}, {kP1, kP0, kP1, kP0, kP1, kP1}},
        PixelCase{"FourBitsIndexPastTheTableIsBlack",
                  3,
                  2,
                  4,
                  {kP0, kP1, kP2, kP3},
                  {{0x12, 0x30}, {0x0F, 0x00}},
                  {kP1, kP2, kP3, kP0, 0, kP0}},
        PixelCase{"EightBits", 2, 2, 8, {kP0, kP1, kP2}, {{2, 0}, {1, 200}}, {kP2, kP0, kP1, 0}},
        PixelCase{"SixteenBitsFiveEachWidened",
                  2,
                  2,
                  16,
                  {},
                  {{0x00, 0x7C, 0x1F, 0x00}, {0xE0, 0x03, 0x10, 0x42}},
                  {0xFF0000, 0x0000FF, 0x00FF00, 0x848484}},
        PixelCase{
            "TwentyFourBitsTopDown", 1, -2, 24, {}, {{0x01, 0x02, 0x03}, {0xFF, 0x00, 0x80}}, {0x030201, 0x8000FF}},
        PixelCase{"ThirtyTwoBits", 1, 1, 32, {}, {{0x10, 0x20, 0x30, 0xFF}}, {0x302010}}),
    [](const testing::TestParamInfo<PixelCase>& param_info) { return param_info.param.name; });

}  // namespace
}  // namespace snx
