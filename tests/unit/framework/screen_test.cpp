#include "framework/core/screen.h"

#include <gtest/gtest.h>

#include <memory>

namespace snx {
namespace {

// Two forms of one program; the platform reports their activations and hiding.
class ScreenTest : public testing::Test {
 protected:
  TScreen screen_;
  std::unique_ptr<TComponent> strip_ = std::make_unique<TComponent>(nullptr);
  std::unique_ptr<TComponent> dialog_ = std::make_unique<TComponent>(nullptr);
};

TEST_F(ScreenTest, TheFormActivatedLastStaysActiveUntilItIsHidden) {
  EXPECT_EQ(screen_.ActiveForm(), nullptr);
  screen_.FormActivated(strip_.get());
  EXPECT_EQ(screen_.ActiveForm(), strip_.get());
  screen_.FormActivated(dialog_.get());
  screen_.FormHidden(strip_.get());  // hiding another form changes nothing
  EXPECT_EQ(screen_.ActiveForm(), dialog_.get());
  screen_.FormHidden(dialog_.get());
  EXPECT_EQ(screen_.ActiveForm(), nullptr);
  screen_.FormActivated(strip_.get());
  EXPECT_EQ(screen_.ActiveForm(), strip_.get());
}

TEST_F(ScreenTest, OnlyTheDestructionOfTheActiveFormClearsIt) {
  screen_.FormActivated(strip_.get());
  screen_.FormActivated(dialog_.get());
  strip_.reset();
  EXPECT_EQ(screen_.ActiveForm(), dialog_.get());
  dialog_.reset();
  EXPECT_EQ(screen_.ActiveForm(), nullptr);
}

}  // namespace
}  // namespace snx
