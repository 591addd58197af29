#include "main/core/meter_composer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace snx {
namespace {

// source ('B'ack or 'P'arts), sx, sy, width, height, dx, dy
using Copy = std::tuple<char, int, int, int, int, int, int>;

class RecordingCanvas final : public TMeterCanvas {
 public:
  void Copy(TMeterSource source, int sx, int sy, int width, int height, int dx, int dy) override {
    copies.emplace_back(source == TMeterSource::msBack ? 'B' : 'P', sx, sy, width, height, dx, dy);
  }
  std::vector<snx::Copy> copies;
};

struct ComposeCase {
  std::string name;
  float left_level, left_peak, right_level, right_peak;
  std::vector<Copy> lit;  // what follows the four wipes
};

class ComposeMeterTest : public testing::TestWithParam<ComposeCase> {};

TEST_P(ComposeMeterTest, WipesThenCopiesLampsBarsAndMarks) {
  const ComposeCase& c = GetParam();
  RecordingCanvas canvas;
  ComposeMeter({TChannelLevel{c.left_level, 0, c.left_peak, 0}, TChannelLevel{c.right_level, 0, c.right_peak, 0}},
               canvas);
  std::vector<Copy> expected = {
      {'B', 19, 1, 255, 9, 19, 1}, {'B', 19, 17, 255, 9, 19, 17}, {'B', 1, 1, 17, 9, 1, 1}, {'B', 1, 17, 17, 9, 1, 17}};
  expected.insert(expected.end(), c.lit.begin(), c.lit.end());
  EXPECT_THAT(canvas.copies, testing::ElementsAreArray(expected));
}

INSTANTIATE_TEST_SUITE_P(
    Levels, ComposeMeterTest,
    testing::ValuesIn(std::vector<ComposeCase>{
        {"AllZero", 0, 0, 0, 0, {{'P', 19, 1, 0, 8, 19, 1}, {'P', 19, 1, 0, 8, 19, 17}}},
        {"Left15",
         15,
         15,
         0,
         0,
         {{'P', 1, 1, 16, 8, 1, 1}, {'P', 19, 1, 32, 8, 19, 1}, {'P', 19, 1, 0, 8, 19, 17}, {'P', 51, 1, 2, 8, 51, 1}}},
        // The lamp wants a level above 1.0, while the step of 1.0 is already 2.
        {"ExactlyOne",
         1,
         1,
         0,
         0.9f,
         {{'P', 19, 1, 4, 8, 19, 1}, {'P', 19, 1, 0, 8, 19, 17}, {'P', 23, 1, 2, 8, 23, 1}}},
        {"RightFullScale",
         3.5f,
         60,
         105,
         105,
         {{'P', 1, 1, 16, 8, 1, 1},
          {'P', 1, 1, 16, 8, 1, 17},
          {'P', 19, 1, 8, 8, 19, 1},
          {'P', 19, 1, 212, 8, 19, 17},
          {'P', 139, 1, 2, 8, 139, 1},
          {'P', 231, 1, 2, 8, 231, 17}}}}),
    [](const auto& row) { return row.param.name; });

}  // namespace
}  // namespace snx
