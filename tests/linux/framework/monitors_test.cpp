#include <gtest/gtest.h>
#include <gdk/gdk.h>

#include <vector>

#include "framework/core/monitor.h"
#include "tests/linux/framework/gtk_fixture.h"

namespace snx {
namespace {

TEST(MonitorsTest, TheTestScreensOneMonitorIsWholeAndItsWorkAreaLeavesOutThePanelAlongTheTop) {
  TestApplication();
  GdkWindow* root = gdk_get_default_root_window();
  const int width = gdk_window_get_width(root);
  const int height = gdk_window_get_height(root);
  const std::vector<TMonitor> monitors = Monitors();
  ASSERT_EQ(monitors.size(), 1U);
  EXPECT_EQ(monitors[0].bounds, (TRect{0, 0, width, height}));
  // The test desktop's panel reserves 32 rows.
  EXPECT_EQ(monitors[0].work_area, (TRect{0, 32, width, height}));
}

}  // namespace
}  // namespace snx
