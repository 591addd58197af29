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

}  // namespace
}  // namespace snx
