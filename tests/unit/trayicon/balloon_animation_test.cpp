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
  using enum TBalloonInfoIconFlag;
  const struct {
    TBalloonInfoIconFlag icon;
    std::string title, text;
    TBalloonTimeout timeout;
  } shown[] = {{biifError, "Title", "Text", 30},
               {biifError, "Title", "Text", 30},
               {biifInfo, "Title", "Text", 30},
               {biifWarning, std::string(63, 't'), "Text", 30},
               {biifNone, "Title", "", 5}};
  const auto calls = platform_.Calls();
  ASSERT_EQ(calls.size(), 10u);
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(calls[2 * i].what, "hide balloon");
    const TBalloonView& show = calls[2 * i + 1].balloon;
    EXPECT_EQ(calls[2 * i + 1].what, "balloon");
    EXPECT_EQ(show.icon, shown[i].icon) << i;
    EXPECT_EQ(show.title, shown[i].title) << i;
    EXPECT_EQ(show.text, shown[i].text) << i;
    EXPECT_EQ(show.timeout, shown[i].timeout) << i;
  }
  tray->ShowBalloon(TBalloonInfoIconFlag::biifInfo, "T", std::string(300, 'x'));
  EXPECT_EQ(platform_.Calls().back().balloon.text, std::string(255, 'x'));
}

TEST_F(BalloonTest, AnInvisibleIconIsShownFirstOrRefusesWhenItCanNeverShow) {
  TTrayIcon* tray = NewTray();
  tray->HideBalloon();
  tray->ShowBalloon(TBalloonInfoIconFlag::biifInfo, "T", "X");
  EXPECT_THAT(platform_.Log(), ElementsAre("add", "balloon"));

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
    for (const AreaCall& call : platform_.Calls()) {
      if (!call.on_test_thread) frames.push_back(call.view.picture);
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
    const AreaCall last = platform_.Calls().back();  // the static icon is back
    EXPECT_TRUE(last.on_test_thread);
    EXPECT_EQ(last.view.picture, FakeTrayPlatform::kAppIcon);
    EXPECT_EQ(last.view.tip, "TipHelp");
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
  EXPECT_THAT(platform_.Log(), ElementsAre("update"));
  EXPECT_EQ(platform_.Calls().back().view.picture, 0x0Eu);
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
  EXPECT_EQ(calls[0].what, "update");
  EXPECT_EQ(calls[0].view.picture, 0xF0u);
  EXPECT_EQ(calls[0].view.tip, "changed");
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

// Identifier 4, not the first one, so that a view that lost its identifier
// or took another instance's shows.
TEST_F(AnimationTest, EveryRequestCarriesTheIconsIdentifier) {
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
  for (const char* what : {"add", "update", "balloon", "hide balloon", "hide", "show", "remove"}) {
    EXPECT_TRUE(std::any_of(calls.begin(), calls.end(), [&](const AreaCall& c) { return c.what == what; })) << what;
  }
  for (std::size_t i = 0; i < calls.size(); ++i) {
    EXPECT_EQ(calls[i].view.id, 4) << "call " << i << ": " << calls[i].what;
  }
}

TEST_F(AnimationTest, AnIconNotAddedAnimatesWithoutCallingTheArea) {
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
  EXPECT_EQ(platform_.Calls().back().view.picture, FakeTrayPlatform::kAppIcon);
}

// The user-interface thread changes tip and picture and sends its view while
// the animation thread makes and sends its own (run under ThreadSanitizer).
TEST_F(AnimationTest, TheViewIsMadeSafelyOnBothThreads) {
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
  // The frames, the own and the application's icon, and none: the frame
  // before the thread has shown the first.
  const std::vector<TIconHandle> pictures = {0xF0, 0xF1, 0xF2, 0x0E, FakeTrayPlatform::kAppIcon, 0};
  for (const AreaCall& call : platform_.Calls()) {
    EXPECT_TRUE(call.view.tip == tips[0] || call.view.tip == tips[1] || call.view.tip == "TipHelp") << call.view.tip;
    EXPECT_NE(std::find(pictures.begin(), pictures.end(), call.view.picture), pictures.end()) << call.view.picture;
  }
  EXPECT_EQ(platform_.Calls().back().what, "remove");
}

}  // namespace
}  // namespace snx::testing
