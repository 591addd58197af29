#include "framework/linux/monitors.h"

#include <gtest/gtest.h>
#include <gdk/gdk.h>

#include <vector>

#include "tests/linux/framework/gtk_fixture.h"

namespace snx {
namespace {

TEST(MonitorsTest, TheTestScreensOneMonitorGivesItsWholeAreaWithoutAWindowManagerToReserveAny) {
  TestApplication();
  GdkWindow* root = gdk_get_default_root_window();
  const std::vector<TRect> areas = MonitorWorkAreas();
  ASSERT_EQ(areas.size(), 1U);
  EXPECT_EQ(areas[0], (TRect{0, 0, gdk_window_get_width(root), gdk_window_get_height(root)}));
}

}  // namespace
}  // namespace snx
