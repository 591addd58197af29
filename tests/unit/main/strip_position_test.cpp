#include "main/core/strip_position.h"

#include <gtest/gtest.h>

#include <climits>
#include <ostream>
#include <string>
#include <vector>

namespace snx {
namespace {

// One monitor of 1024 x 768 with a 40-pixel taskbar along the bottom.
const std::vector<TMonitor> kSingle{{{0, 0, 1024, 768}, {0, 0, 1024, 728}}};
// The same with a 32-pixel panel along the top instead.
const std::vector<TMonitor> kTopPanel{{{0, 0, 1024, 768}, {0, 32, 1024, 768}}};
// A primary monitor with a smaller one to its left and one to its right
// whose bottom is higher: the corner below the right one is off-screen.
const std::vector<TMonitor> kThree{{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}},
                                   {{-1280, 0, 0, 1024}, {-1280, 0, 0, 1024}},
                                   {{1920, 0, 3200, 720}, {1920, 0, 3200, 700}}};
// Monitors too small for the default place; the primary, listed first, has
// a panel along its top.
const std::vector<TMonitor> kSmall{{{1000, 0, 1200, 250}, {1000, 50, 1200, 250}}, {{0, 0, 200, 200}, {0, 0, 200, 200}}};

struct PlacementRow {
  std::string name;
  TPoint stored;
  std::vector<TMonitor> monitors;
  TPoint expected;
  friend void PrintTo(const PlacementRow& row, std::ostream* os) { *os << row.name; }
};

class OpeningPositionTest : public testing::TestWithParam<PlacementRow> {};

TEST_P(OpeningPositionTest, KeepsAnyVisiblePlaceAndRescuesALostStrip) {
  const PlacementRow& row = GetParam();
  const TPoint at = OpeningPosition(row.stored, TSize{274, 26}, row.monitors);
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
                             {"OnTheTaskbar", {100, 728}, kSingle, {100, 728}},
                             {"OnePixelOnTheTaskbar", {100, 767}, kSingle, {100, 767}},
                             {"OverTheTopPanel", {600, 3}, kTopPanel, {600, 3}},
                             {"OnePixelOnTheTopPanel", {600, -25}, kTopPanel, {600, -25}},
                             {"AboveTheTopPanel", {600, -26}, kTopPanel, {300, 300}},
                             {"OffLeft", {-274, 100}, kSingle, {300, 300}},
                             {"OffRight", {1024, 100}, kSingle, {300, 300}},
                             {"OffTop", {100, -26}, kSingle, {300, 300}},
                             {"OffBottom", {100, 768}, kSingle, {300, 300}},
                             {"FarAway", {5000, 300}, kSingle, {300, 300}},
                             {"LargestValues", {INT_MAX, INT_MAX}, kSingle, {300, 300}},
                             {"SmallestValues", {INT_MIN, INT_MIN}, kSingle, {300, 300}},
                             {"OnTheLeftMonitor", {-1000, 500}, kThree, {-1000, 500}},
                             {"OffTheLeftMonitor", {-1554, 500}, kThree, {300, 300}},
                             {"AcrossTwoMonitors", {1800, 600}, kThree, {1800, 600}},
                             {"OnTheShorterMonitorsTaskbar", {2000, 705}, kThree, {2000, 705}},
                             {"BelowTheShorterMonitor", {2000, 720}, kThree, {300, 300}},
                             {"OnlyTheEdgeOfThePrimary", {1900, 800}, kThree, {1900, 800}},
                             {"DefaultOffScreenToo", {5000, 5000}, kSmall, {1000, 50}},
                             {"OnASmallMonitor", {-100, 190}, kSmall, {-100, 190}},
                             {"NoMonitorKnown", {5000, 5000}, {}, {5000, 5000}},
                         }),
                         [](const testing::TestParamInfo<PlacementRow>& row) { return row.param.name; });

}  // namespace
}  // namespace snx
