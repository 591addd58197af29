#include "framework/core/bitmap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/core/object.h"
#include "tests/unit/framework/bitmap_file.h"

namespace snx {
namespace {

struct Corruption {
  const char* what;
  std::function<void(std::vector<std::uint8_t>&)> apply;
};

class BitmapRejectTest : public testing::TestWithParam<Corruption> {};

TEST_P(BitmapRejectTest, DataThatWouldBeReadOutOfBoundsIsRefused) {
  std::vector<std::uint8_t> file = BitmapFile(200, 40);
  GetParam().apply(file);
  EXPECT_THROW(TBitmap::FromFile(file), EReadError);
}

INSTANTIATE_TEST_SUITE_P(Files, BitmapRejectTest,
                         testing::Values(Corruption{"Empty", [](auto& f) { f.clear(); }},
                                         Corruption{"NoMagic", [](auto& f) { f[0] = 'X'; }},
                                         Corruption{"LastRowCut", [](auto& f) { f.pop_back(); }},
                                         Corruption{"PixelsPastTheEnd", [](auto& f) { f[10] = 60; }},
                                         Corruption{"PixelsInsideTheHeader", [](auto& f) { f[10] = 20; }},
                                         Corruption{"HugeHeader", [](auto& f) { f[17] = 0x7F; }},
                                         Corruption{"ZeroWidth", [](auto& f) { f[18] = 0; }},
                                         Corruption{"NegativeWidth", [](auto& f) { f[21] = 0xFF; }},
                                         Corruption{"HugeHeight", [](auto& f) { f[24] = 0x10; }},
                                         Corruption{"Compressed", [](auto& f) { f[30] = 1; }},
                                         Corruption{"OddDepth", [](auto& f) { f[28] = 7; }},
                                         Corruption{"PaletteOutsideTheData", [](auto& f) { f[28] = 8; }}),
                         [](const testing::TestParamInfo<Corruption>& param) { return std::string(param.param.what); });

// A 2 x 2 bitmap file of `depth` bits per pixel: its colour table, then its
// two rows as stored (each padded to whole 32-bit words), bottom row first unless
// `top_down`.
std::vector<std::uint8_t> SmallBitmap(int depth, std::vector<std::uint32_t> table,
                                      std::vector<std::vector<std::uint8_t>> rows, bool top_down = false) {
  std::vector<std::uint8_t> f = BitmapFile(2, 2);
  f.resize(54);
  f[28] = static_cast<std::uint8_t>(depth);
  f[46] = static_cast<std::uint8_t>(table.size());
  for (std::uint32_t color : table) {
    for (int i = 0; i < 4; ++i) f.push_back(static_cast<std::uint8_t>(color >> (8 * i)));
  }
  f[10] = static_cast<std::uint8_t>(f.size());
  if (top_down) f[22] = 0xFE, f[23] = f[24] = f[25] = 0xFF;
  const auto stride = static_cast<std::size_t>(2 * depth + 31) / 32 * 4;
  for (auto& row : rows) {
    row.resize(stride, 0);
    f.insert(f.end(), row.begin(), row.end());
  }
  return f;
}

struct PixelCase {
  const char* what;
  std::vector<std::uint8_t> file;
  // Top-left, top-right, bottom-left, bottom-right.
  std::uint32_t expected[4];
};

class BitmapPixelTest : public testing::TestWithParam<PixelCase> {};

TEST_P(BitmapPixelTest, EachPixelHasItsStoredColourCountedFromTheTopLeft) {
  const TBitmap bitmap = TBitmap::FromFile(GetParam().file);
  const std::uint32_t got[4] = {bitmap.Rgb(0, 0), bitmap.Rgb(1, 0), bitmap.Rgb(0, 1), bitmap.Rgb(1, 1)};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(got[i], GetParam().expected[i]) << "pixel " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Depths, BitmapPixelTest,
    testing::Values(PixelCase{"TrueColourBottomUp",
                              SmallBitmap(24, {}, {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}}),
                              {0x090807, 0x0C0B0A, 0x030201, 0x060504}},
                    PixelCase{"TrueColourTopDown",
                              SmallBitmap(24, {}, {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}}, true),
                              {0x030201, 0x060504, 0x090807, 0x0C0B0A}},
                    PixelCase{"ThirtyTwoBitsIgnoreTheFourthByte",
                              SmallBitmap(32, {}, {{1, 2, 3, 99, 4, 5, 6, 99}, {7, 8, 9, 99, 10, 11, 12, 99}}),
                              {0x090807, 0x0C0B0A, 0x030201, 0x060504}},
                    // 0x7C00 is full red, 0x03E0 full green, 0x001F full blue, 0x0421 the lowest grey.
                    PixelCase{"SixteenBitsWidenFiveToEight",
                              SmallBitmap(16, {}, {{0x00, 0x7C, 0xE0, 0x03}, {0x1F, 0x00, 0x21, 0x04}}),
                              {0x0000FF, 0x080808, 0xFF0000, 0x00FF00}},
                    PixelCase{"PaletteIndices",
                              SmallBitmap(8, {0x112233, 0x445566, 0x778899}, {{2, 1}, {0, 2}}),
                              {0x112233, 0x778899, 0x778899, 0x445566}},
                    PixelCase{"FourBitsHighNibbleFirst",
                              SmallBitmap(4, {0x000001, 0x000002, 0x000003}, {{0x21}, {0x10}}),
                              {0x000002, 0x000001, 0x000003, 0x000002}},
                    PixelCase{"OneBitLeftmostInTheHighBit",
                              SmallBitmap(1, {0x000000, 0xFFFFFF}, {{0x40}, {0x80}}),
                              {0xFFFFFF, 0x000000, 0x000000, 0xFFFFFF}},
                    PixelCase{"AnIndexPastAShortTableIsBlack",
                              SmallBitmap(8, {0xABCDEF}, {{0, 200}, {0, 0}}),
                              {0xABCDEF, 0xABCDEF, 0xABCDEF, 0x000000}}),
    [](const testing::TestParamInfo<PixelCase>& param) { return std::string(param.param.what); });

}  // namespace
}  // namespace snx
