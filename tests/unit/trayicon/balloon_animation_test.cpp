#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/unit/trayicon/fake_tray.h"
#include "trayicon/core/tray_icon.h"
#include "trayicon/core/tray_icon_animate.h"

namespace snx::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class BalloonTest : public TrayTest {};

TEST_F(BalloonTest, EveryFormWithdrawsTheShownBalloonThenShowsItsOwn) {
  TTrayIcon* tray = ShownTray();
  tray->ShowBalloon(TBalloonInfoIconFlag::biifError, "Title", "Text", 30);
  tray->ShowBalloon();  // the same balloon again
  tray->ShowBalloon(TBalloonInfoIconFlag::biifInfo);
  tray->ShowBalloon(TBalloonInfoIconFlag::biifWarning, std::string(80, 't'));
  tray->ShowBalloon(TBalloonInfoIconFlag::biifNone, "Title", "", 5);  // no range check
  const struct {
    std::uint32_t icon;
    std::string title, text;
    std::uint32_t timeout;
  } shown[] = {{3, "Title", "Text", 30000},
               {3, "Title", "Text", 30000},
               {1, "Title", "Text", 30000},
               {2, std::string(63, 't'), "Text", 30000},
               {0, "Title", " ", 5000}};
  const auto calls = platform_.Calls();
  ASSERT_EQ(calls.size(), 10u);
  for (std::size_t i = 0; i < 5; ++i) {
    const TNotifyIconDataV5A &hide = calls[2 * i].record, &show = calls[2 * i + 1].record;
    EXPECT_EQ(hide.uFlags, 0x11u);
    EXPECT_STREQ(hide.szInfo, "");
    EXPECT_EQ(show.dwInfoFlags, shown[i].icon) << i;
    EXPECT_EQ(show.szInfoTitle, shown[i].title) << i;
    EXPECT_EQ(show.szInfo, shown[i].text) << i;
    EXPECT_EQ(show.uTimeout, shown[i].timeout) << i;
  }
  tray->ShowBalloon(TBalloonInfoIconFlag::biifInfo, "T", std::string(300, 'x'));
  EXPECT_EQ(std::string(platform_.Calls().back().record.szInfo), std::string(255, 'x'));
}

TEST_F(BalloonTest, AnInvisibleIconIsShownFirstOrRefusesWhenItCanNeverShow) {
  TTrayIcon* tray = NewTray();
  tray->HideBalloon();
  tray->ShowBalloon(TBalloonInfoIconFlag::biifInfo, "T", "X");
  EXPECT_THAT(platform_.Log(), ElementsAre("ADD", "MODIFY"));

  platform_.app_icon = 0;
  platform_.Clear();
  EXPECT_THROW(NewTray()->ShowBalloon(TBalloonInfoIconFlag::biifInfo, "T", "X"), ENotifyIconError);
  EXPECT_THAT(platform_.Calls(), IsEmpty());
}

// Three frames, 0xF0 to 0xF2, for a shown icon.
class AnimationTest : public TrayTest {
 protected:
  AnimationTest() {
    for (TIconHandle h : {0xF0u, 0xF1u, 0xF2u}) images_->AddIcon(MakeIcon(h));
    tray_->SetAnimateIcons(images_);
  }
  std::vector<TIconHandle> Frames() {
    std::vector<TIconHandle> frames;
    for (const ShellCall& call : platform_.Calls()) {
      if (!call.on_test_thread) frames.push_back(call.record.hIcon);
    }
    return frames;
  }
  void Step() {
    tray_->AnimateThread()->WaitParked();  // a wake that finds it running is not kept
    tray_->AnimateStep();
  }

  TImageList* images_ = new TImageList(owner_.get());
  TTrayIcon* tray_ = ShownTray();
};

TEST_F(AnimationTest, AutomaticModeCyclesAtTheRateAndRestartsAtTheFirstImage) {
  for (int run = 0; run < 2; ++run) {
    platform_.Clear();
    tray_->AnimatePlay(TAnimateMode::amAutomatic);
    platform_.WaitForThreadCalls(4);
    tray_->AnimateStop();
    const auto frames = Frames();
    for (std::size_t i = 0; i < frames.size(); ++i) EXPECT_EQ(frames[i], 0xF0u + i % 3) << i;
    for (std::uint32_t ms : platform_.OtherSleeps()) EXPECT_EQ(ms, 500u);
    const ShellCall last = platform_.Calls().back();  // the static icon is back
    EXPECT_TRUE(last.on_test_thread);
    EXPECT_EQ(last.record.hIcon, FakeTrayPlatform::kAppIcon);
    EXPECT_EQ(last.Tip(), "TipHelp");
  }
}

TEST_F(AnimationTest, ManualModeShowsAFramePerStepAndWrapsAlsoWhenTheListShrinks) {
  tray_->AnimateStep();  // idle: nothing
  tray_->AnimatePlay(TAnimateMode::amManual);
  for (int i = 0; i < 4; ++i) Step();
  tray_->AnimateThread()->WaitParked();
  images_->Delete(2);  // the next frame would have been the third
  Step();
  tray_->AnimateThread()->WaitParked();
  tray_->AnimateStop();
  EXPECT_THAT(Frames(), ElementsAre(0xF0u, 0xF1u, 0xF2u, 0xF0u, 0xF1u, 0xF0u));
  EXPECT_THAT(platform_.OtherSleeps(), IsEmpty());

  platform_.Clear();
  tray_->AnimatePlay(TAnimateMode::amManual);
  tray_->AnimateThread()->WaitParked();
  tray_->AnimeteModeChange();  // to automatic
  platform_.WaitForThreadCalls(3);
  tray_->AnimateStop();
  EXPECT_THAT(Frames(), ::testing::IsSupersetOf({0xF0u, 0xF1u}));
  EXPECT_EQ(Frames().front(), 0xF0u);
}

TEST_F(AnimationTest, AnAutomaticAnimationLeavesIconChangesToItsThread) {
  tray_->AnimatePlay(TAnimateMode::amAutomatic);
  platform_.WaitForThreadCalls(1);
  platform_.Clear();
  tray_->SetTipHelp("changed");
  const TIcon own = MakeIcon(0x0E);
  tray_->SetIcon(&own);
  EXPECT_THAT(platform_.Log(), IsEmpty());
  platform_.WaitForThreadCalls(1);
  platform_.Clear();
  tray_->AnimateStop();
  EXPECT_THAT(platform_.Log(), ElementsAre("MODIFY"));
  EXPECT_EQ(platform_.Calls().back().record.hIcon, 0x0Eu);
}

// In manual mode no thread refreshes the icon between steps: a change is
// sent at once, with the frame being shown.
TEST_F(AnimationTest, AManualAnimationSendsIconChangesWithTheCurrentFrame) {
  tray_->AnimatePlay(TAnimateMode::amManual);
  tray_->AnimateThread()->WaitParked();
  platform_.Clear();
  tray_->SetTipHelp("changed");
  const auto calls = platform_.Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_TRUE(calls[0].on_test_thread);
  EXPECT_EQ(calls[0].message, kNimModify);
  EXPECT_EQ(calls[0].record.hIcon, 0xF0u);
  EXPECT_EQ(calls[0].Tip(), "changed");
  tray_->AnimateStop();
}

TEST_F(AnimationTest, TheListCannotBeSwappedUnderARunningAnimation) {
  auto* other = new TImageList(owner_.get());
  other->AddIcon(MakeIcon(0xE0));
  tray_->AnimatePlay(TAnimateMode::amManual);
  tray_->SetAnimateIcons(other);
  EXPECT_EQ(tray_->AnimateIcons(), images_);
  tray_->SetAnimateIcons(nullptr);
  EXPECT_EQ(tray_->AnimateIcons(), images_);
  tray_->AnimateStop();
  tray_->SetAnimateIcons(other);
  EXPECT_EQ(tray_->AnimateIcons(), other);
}

// Identifier 4, not the first one, so that a record that lost its uID or
// took another instance's shows.
TEST_F(AnimationTest, EveryShellCallCarriesTheIconsIdentifier) {
  NewTray();
  NewTray();
  TTrayIcon* third = NewTray();
  ASSERT_EQ(third->IconID(), 4);
  third->SetAnimateIcons(images_);
  platform_.Clear();
  third->SetVisible(true);
  third->SetTipHelp("tip");
  third->ShowBalloon(TBalloonInfoIconFlag::biifInfo, "T", "X");
  third->HideBalloon();
  third->SetVisible(false);
  third->SetVisible(true);
  third->AnimatePlay(TAnimateMode::amAutomatic);
  platform_.WaitForThreadCalls(2);
  third->AnimateStop();
  delete third;
  const auto calls = platform_.Calls();
  for (std::uint32_t message : {kNimAdd, kNimModify, kNimDelete}) {
    EXPECT_TRUE(std::any_of(calls.begin(), calls.end(), [&](const ShellCall& c) { return c.message == message; }));
  }
  for (std::size_t i = 0; i < calls.size(); ++i) {
    EXPECT_EQ(calls[i].record.uID, 4u) << "call " << i << " message " << calls[i].message;
  }
}

TEST_F(AnimationTest, AnIconNotAddedAnimatesWithoutCallingTheShell) {
  platform_.shell_major = 4;
  TTrayIcon* hidden = NewTray();
  hidden->SetAnimateIcons(images_);
  platform_.Clear();
  hidden->AnimatePlay(TAnimateMode::amAutomatic);
  platform_.WaitForOtherSleeps(5);
  hidden->AnimateStop();
  EXPECT_THAT(platform_.Calls(), IsEmpty());
}

TEST_F(AnimationTest, RemovingTheListStopsTheAnimationBeforeTheLinkGoes) {
  tray_->AnimatePlay(TAnimateMode::amAutomatic);
  platform_.WaitForThreadCalls(2);
  delete images_;
  EXPECT_FALSE(tray_->Animating());
  EXPECT_EQ(tray_->AnimateIcons(), nullptr);
  EXPECT_EQ(platform_.Calls().back().record.hIcon, FakeTrayPlatform::kAppIcon);
}

// The user-interface thread changes tip and picture and sends the record
// while the animation thread fills and sends it too (run under ThreadSanitizer).
TEST_F(AnimationTest, TheRecordIsSharedSafelyBetweenTheThreads) {
  tray_->SetAnimateRate(10);
  tray_->AnimatePlay(TAnimateMode::amAutomatic);
  const std::string tips[] = {"first tip", "second tip"};
  const TIcon own = MakeIcon(0x0E);
  for (int i = 0; i < 200; ++i) {
    tray_->SetTipHelp(tips[i % 2]);
    tray_->SetIcon(i % 2 == 0 ? &own : nullptr);
    tray_->SetTrayIcon(TTrayIconMode::tiModifyIcon);
    if (i % 50 == 0) platform_.WaitForThreadCalls(static_cast<std::size_t>(i) / 50 + 1);
  }
  delete tray_;  // ends the running animation first
  for (const ShellCall& call : platform_.Calls()) {
    EXPECT_TRUE(call.Tip() == tips[0] || call.Tip() == tips[1] || call.Tip() == "TipHelp") << call.Tip();
    EXPECT_EQ(call.record.uFlags, 7u);
  }
  EXPECT_EQ(platform_.Calls().back().message, kNimDelete);
}

}  // namespace
}  // namespace snx::testing
