#include "main/core/meter_painter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

namespace snx {

void PrintTo(const TMeterRect& r, std::ostream* os) {
  *os << "{" << r.x << ", " << r.y << ", " << r.width << ", " << r.height << "}";
}

namespace {

// source ('B'ack or 'P'arts), sx, sy, width, height, dx, dy
using Copy = std::tuple<char, int, int, int, int, int, int>;

// What one paint did: the copies into the canvas, then the parts shown.
struct Frame {
  std::vector<Copy> copies;
  std::vector<TMeterRect> shown;
};

class RecordingSurface final : public TMeterSurface {
 public:
  void Copy(TMeterSource source, int sx, int sy, int width, int height, int dx, int dy) override {
    frame.copies.emplace_back(source == TMeterSource::msBack ? 'B' : 'P', sx, sy, width, height, dx, dy);
  }
  void Present(std::span<const TMeterRect> parts) override { frame.shown.assign(parts.begin(), parts.end()); }
  Frame frame;
};

Frame PaintOnce(TMeterPainter& painter, const TStereoLevels& levels, bool repaint) {
  RecordingSurface surface;
  painter.Paint(levels, repaint, surface);
  return surface.frame;
}

TStereoLevels Levels(float left_level, float left_peak, float right_level, float right_peak) {
  return {TChannelLevel{left_level, 0, left_peak, 0}, TChannelLevel{right_level, 0, right_peak, 0}};
}

const std::vector<Copy> kWipes = {
    {'B', 19, 1, 255, 9, 19, 1}, {'B', 19, 17, 255, 9, 19, 17}, {'B', 1, 1, 17, 9, 1, 1}, {'B', 1, 17, 17, 9, 1, 17}};
constexpr TMeterRect kLeftRow{1, 1, 273, 9};
constexpr TMeterRect kRightRow{1, 17, 273, 9};

struct ComposeCase {
  std::string name;
  float left_level, left_peak, right_level, right_peak;
  std::vector<Copy> lit;  // what follows the four wipes
};

void PrintTo(const ComposeCase& c, std::ostream* os) { *os << c.name; }

class FirstPaintTest : public testing::TestWithParam<ComposeCase> {};

TEST_P(FirstPaintTest, WipesThenCopiesLampsBarsAndMarksAndShowsTheWholeStrip) {
  const ComposeCase& c = GetParam();
  TMeterPainter painter;
  const Frame frame = PaintOnce(painter, Levels(c.left_level, c.left_peak, c.right_level, c.right_peak), false);
  std::vector<Copy> expected = kWipes;
  expected.insert(expected.end(), c.lit.begin(), c.lit.end());
  EXPECT_THAT(frame.copies, testing::ElementsAreArray(expected));
  EXPECT_THAT(frame.shown, testing::ElementsAre(kWholeMeter));
}

INSTANTIATE_TEST_SUITE_P(
    Levels, FirstPaintTest,
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

// One tick after a first paint of silence, whose frame the painter keeps.
struct TickCase {
  std::string name;
  TStereoLevels levels;
  bool repaint;
  std::vector<Copy> copies;
  std::vector<TMeterRect> shown;
};

void PrintTo(const TickCase& c, std::ostream* os) { *os << c.name; }

class TickAfterSilenceTest : public testing::TestWithParam<TickCase> {};

TEST_P(TickAfterSilenceTest, DrawsAndShowsOnlyTheRowsThatChanged) {
  const TickCase& c = GetParam();
  TMeterPainter painter;
  PaintOnce(painter, Levels(0, 0, 0, 0), false);
  const Frame frame = PaintOnce(painter, c.levels, c.repaint);
  EXPECT_THAT(frame.copies, testing::ElementsAreArray(c.copies));
  EXPECT_THAT(frame.shown, testing::ElementsAreArray(c.shown));
}

INSTANTIATE_TEST_SUITE_P(Ticks, TickAfterSilenceTest,
                         testing::ValuesIn(std::vector<TickCase>{
                             {"Unchanged", Levels(0, 0, 0, 0), false, {}, {}},
                             // Below the first drawing step and the lamp's threshold: the same picture.
                             {"ChangedBelowAStep", Levels(0.9f, 0.9f, 0.5f, 0.5f), false, {}, {}},
                             {"UnchangedButLost", Levels(0, 0, 0, 0), true, {}, {kWholeMeter}},
                             {"RightOnly",
                              Levels(0, 0, 105, 105),
                              false,
                              {{'B', 19, 17, 255, 9, 19, 17},
                               {'B', 1, 17, 17, 9, 1, 17},
                               {'P', 1, 1, 16, 8, 1, 17},
                               {'P', 19, 1, 212, 8, 19, 17},
                               {'P', 231, 1, 2, 8, 231, 17}},
                              {kRightRow}},
                             {"LeftOnlyAndLost",
                              Levels(15, 15, 0, 0),
                              true,
                              {{'B', 19, 1, 255, 9, 19, 1},
                               {'B', 1, 1, 17, 9, 1, 1},
                               {'P', 1, 1, 16, 8, 1, 1},
                               {'P', 19, 1, 32, 8, 19, 1},
                               {'P', 51, 1, 2, 8, 51, 1}},
                              {kWholeMeter}},
                             {"Both",
                              Levels(15, 15, 3.5f, 3.5f),
                              false,
                              {{'B', 19, 1, 255, 9, 19, 1},
                               {'B', 19, 17, 255, 9, 19, 17},
                               {'B', 1, 1, 17, 9, 1, 1},
                               {'B', 1, 17, 17, 9, 1, 17},
                               {'P', 1, 1, 16, 8, 1, 1},
                               {'P', 1, 1, 16, 8, 1, 17},
                               {'P', 19, 1, 32, 8, 19, 1},
                               {'P', 19, 1, 8, 8, 19, 17},
                               {'P', 51, 1, 2, 8, 51, 1},
                               {'P', 27, 1, 2, 8, 27, 17}},
                              {kLeftRow, kRightRow}}}),
                         [](const auto& row) { return row.param.name; });

TEST(MeterPainterTest, AfterForgetTheNextPaintDrawsAndShowsEverything) {
  TMeterPainter painter;
  PaintOnce(painter, Levels(0, 0, 0, 0), false);
  painter.Forget();
  const Frame frame = PaintOnce(painter, Levels(0, 0, 0, 0), false);
  EXPECT_EQ(frame.copies.size(), 6U);
  EXPECT_THAT(frame.shown, testing::ElementsAre(kWholeMeter));
}

// Where each pixel of the canvas and of the window came from: the skin and
// the pixel in it.
class PixelSurface final : public TMeterSurface {
 public:
  PixelSurface() {
    for (int y = 0; y < kMeterHeight; ++y) {
      for (int x = 0; x < kMeterWidth; ++x) canvas_[y][x] = Origin('B', x, y);  // the canvas starts as the main skin
    }
  }
  void Copy(TMeterSource source, int sx, int sy, int width, int height, int dx, int dy) override {
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        canvas_[dy + y][dx + x] = Origin(source == TMeterSource::msBack ? 'B' : 'P', sx + x, sy + y);
      }
    }
  }
  void Present(std::span<const TMeterRect> parts) override {
    for (const TMeterRect& part : parts) {
      for (int y = part.y; y < part.y + part.height; ++y) {
        for (int x = part.x; x < part.x + part.width; ++x) window[y][x] = canvas_[y][x];
      }
    }
  }
  std::array<std::array<std::int32_t, kMeterWidth>, kMeterHeight> window{};

 private:
  static std::int32_t Origin(char skin, int x, int y) { return (skin == 'B' ? 1 : 2) << 20 | y << 10 | x; }
  std::array<std::array<std::int32_t, kMeterWidth>, kMeterHeight> canvas_{};
};

std::string FirstDifference(const PixelSurface& a, const PixelSurface& b) {
  for (int y = 0; y < kMeterHeight; ++y) {
    for (int x = 0; x < kMeterWidth; ++x) {
      if (a.window[y][x] != b.window[y][x]) return "at " + std::to_string(x) + "," + std::to_string(y);
    }
  }
  return "";
}

TEST(MeterPainterTest, TickByTickTheWindowShowsWhatAWholeFreshPaintWould) {
  TChannelLevels meter;
  TMeterPainter painter;
  PixelSurface surface;
  // Bursts on either side and both, each followed by the fall.
  const std::vector<std::pair<std::uint8_t, std::uint8_t>> bursts = {{255, 128}, {128, 200}, {140, 250}, {129, 129}};
  for (const auto& [left, right] : bursts) {
    std::vector<std::uint8_t> buffer(882, 128);
    buffer[440] = left;
    buffer[441] = right;
    meter.MeasureBuffer(buffer.data(), buffer.size());
    for (int tick = 0; tick < 120; ++tick) {
      meter.DecayLevels();
      painter.Paint(meter.Snapshot(), false, surface);
      TMeterPainter fresh_painter;
      PixelSurface fresh;
      fresh_painter.Paint(meter.Snapshot(), false, fresh);
      ASSERT_EQ(FirstDifference(surface, fresh), "") << "burst " << int{left} << "/" << int{right} << ", tick " << tick;
    }
  }
}

}  // namespace
}  // namespace snx
