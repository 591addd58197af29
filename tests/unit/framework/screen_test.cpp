#include "framework/core/screen.h"

#include <gtest/gtest.h>

#include <memory>

namespace snx {
namespace {

// Two forms of one program; the platform reports their activations and hiding.
class ScreenTest : public testing::Test {
 protected:
  TScreen screen;
  std::unique_ptr<TComponent> strip = std::make_unique<TComponent>(nullptr);
  std::unique_ptr<TComponent> dialog = std::make_unique<TComponent>(nullptr);
};

TEST_F(ScreenTest, TheFormActivatedLastStaysActiveUntilItIsHidden) {
  EXPECT_EQ(screen.ActiveForm(), nullptr);
  screen.FormActivated(strip.get());
  EXPECT_EQ(screen.ActiveForm(), strip.get());
  screen.FormActivated(dialog.get());
  screen.FormHidden(strip.get());  // hiding another form changes nothing
  EXPECT_EQ(screen.ActiveForm(), dialog.get());
  screen.FormHidden(dialog.get());
  EXPECT_EQ(screen.ActiveForm(), nullptr);
  screen.FormActivated(strip.get());
  EXPECT_EQ(screen.ActiveForm(), strip.get());
}

TEST_F(ScreenTest, OnlyTheDestructionOfTheActiveFormClearsIt) {
  screen.FormActivated(strip.get());
  screen.FormActivated(dialog.get());
  strip.reset();
  EXPECT_EQ(screen.ActiveForm(), dialog.get());
  dialog.reset();
  EXPECT_EQ(screen.ActiveForm(), nullptr);
}

}  // namespace
}  // namespace snx
