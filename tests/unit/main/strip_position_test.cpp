#include "main/core/strip_position.h"

#include <gtest/gtest.h>

#include <climits>
#include <ostream>
#include <string>
#include <vector>

namespace snx {
namespace {

// One monitor of 1024 x 768 with a 40-pixel taskbar along the bottom.
const std::vector<TRect> kSingle{{0, 0, 1024, 728}};
// A primary monitor with a smaller one to its left and one to its right
// whose bottom is higher: the corner below the right one is off-screen.
const std::vector<TRect> kThree{{0, 0, 1920, 1040}, {-1280, 0, 0, 1024}, {1920, 0, 3200, 700}};
// Monitors too small for the default place; the primary is listed first.
const std::vector<TRect> kSmall{{1000, 50, 1200, 250}, {0, 0, 200, 200}};

struct PlacementRow {
  std::string name;
  TPoint stored;
  std::vector<TRect> work_areas;
  TPoint expected;
  friend void PrintTo(const PlacementRow& row, std::ostream* os) { *os << row.name; }
};

class OpeningPositionTest : public testing::TestWithParam<PlacementRow> {};

TEST_P(OpeningPositionTest, KeepsAnyVisiblePlaceAndRescuesALostStrip) {
  const PlacementRow& row = GetParam();
  const TPoint at = OpeningPosition(row.stored, TSize{274, 26}, row.work_areas);
  EXPECT_EQ(at.x, row.expected.x);
  EXPECT_EQ(at.y, row.expected.y);
}

INSTANTIATE_TEST_SUITE_P(Monitors, OpeningPositionTest,
                         testing::ValuesIn(std::vector<PlacementRow>{
                             {"OnScreen", {100, 100}, kSingle, {100, 100}},
                             {"PartlyOffLeft", {-200, 100}, kSingle, {-200, 100}},
                             {"OnePixelAtLeft", {-273, 100}, kSingle, {-273, 100}},
                             {"OnePixelAtRight", {1023, 100}, kSingle, {1023, 100}},
                             {"OnePixelAtTop", {100, -25}, kSingle, {100, -25}},
                             {"OnePixelAboveTaskbar", {100, 727}, kSingle, {100, 727}},
                             {"OffLeft", {-274, 100}, kSingle, {300, 300}},
                             {"OffRight", {1024, 100}, kSingle, {300, 300}},
                             {"OffTop", {100, -26}, kSingle, {300, 300}},
                             {"OnTheTaskbarOnly", {100, 728}, kSingle, {300, 300}},
                             {"FarAway", {5000, 300}, kSingle, {300, 300}},
                             {"LargestValues", {INT_MAX, INT_MAX}, kSingle, {300, 300}},
                             {"SmallestValues", {INT_MIN, INT_MIN}, kSingle, {300, 300}},
                             {"OnTheLeftMonitor", {-1000, 500}, kThree, {-1000, 500}},
                             {"OffTheLeftMonitor", {-1554, 500}, kThree, {300, 300}},
                             {"AcrossTwoMonitors", {1800, 600}, kThree, {1800, 600}},
                             {"BelowTheShorterMonitor", {2000, 800}, kThree, {300, 300}},
                             {"OnlyTheEdgeOfThePrimary", {1900, 800}, kThree, {1900, 800}},
                             {"DefaultOffScreenToo", {5000, 5000}, kSmall, {1000, 50}},
                             {"OnASmallMonitor", {-100, 190}, kSmall, {-100, 190}},
                             {"NoMonitorKnown", {5000, 5000}, {}, {5000, 5000}},
                         }),
                         [](const testing::TestParamInfo<PlacementRow>& row) { return row.param.name; });

}  // namespace
}  // namespace snx
