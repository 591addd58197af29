// Fails on purpose, every run. Registered as expected to fail: should the
// way the Windows tests are run under Wine ever hide a failing status again,
// this test "passes" there and so turns the whole run red.
#include <gtest/gtest.h>

TEST(VerdictCanary, ThisAssertionFailsOnPurpose) { EXPECT_EQ(1 + 1, 3); }
