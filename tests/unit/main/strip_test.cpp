// The strip written once, natively: over the unit tests' stand-in form and
// timer, with its platform's roles played by recording fakes.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "main/core/meter_clock.h"
#include "main/snx_main.h"
#include "tests/unit/main/fake_strip_platform.h"

namespace snx {
namespace {

// One 10 ms buffer whose middle frame has these two samples (128 is silence).
void Measure(TBufferMeasure& levels, std::uint8_t left, std::uint8_t right) {
  std::vector<std::uint8_t> buffer(kCaptureBufferSize, 128);
  buffer[kCaptureBufferSize / 2 - 1] = left;
  buffer[kCaptureBufferSize / 2] = right;
  levels.MeasureBuffer(buffer.data(), buffer.size());
}

class StripTest : public testing::Test {
 protected:
  void Create() {
    application_.SetTitle("Sonalix 100115");
    application_.CreateForm(strip_, platform_);
  }
  // As the message loop shows it; the log then starts afresh.
  void CreateShown() {
    Create();
    strip_->Show();
    platform_.log.clear();
  }
  TFakeTimer& Timer() const { return dynamic_cast<TFakeTimer&>(*strip_->Timer); }
  void Tick(int ticks = 1) {
    for (int i = 0; i < ticks; ++i) Timer().Fire();
  }
  // The levels the capture measures into.
  TChannelLevels& Meter() const { return dynamic_cast<TChannelLevels&>(*platform_.levels); }
  void Measure(std::uint8_t left, std::uint8_t right) const { snx::Measure(Meter(), left, right); }
  // The log since the last look.
  StripLog Seen() { return std::exchange(platform_.log, {}); }

  // Declared first: it outlives the strip, which the application destroys.
  FakeStripPlatform platform_;
  TFakeApplication application_;
  TSNX_MAIN* strip_ = nullptr;
};

// Where the stored settings open the strip, on the fake's one monitor unless
// the case gives others.
struct PlaceCase {
  const char* name;
  SettingsValues stored;
  std::vector<TMonitor> monitors;
  TPoint expected;
  bool on_top;
};

void PrintTo(const PlaceCase& c, std::ostream* os) { *os << c.name; }

class StripPlaceTest : public StripTest, public testing::WithParamInterface<PlaceCase> {};

TEST_P(StripPlaceTest, OpensWhereTheSettingsSayUnlessThatIsOffEveryMonitor) {
  const PlaceCase& c = GetParam();
  platform_.settings.values = c.stored;
  if (!c.monitors.empty()) platform_.desktop.monitors = c.monitors;
  Create();
  EXPECT_EQ(strip_->Left(), c.expected.x);
  EXPECT_EQ(strip_->Top(), c.expected.y);
  EXPECT_EQ(strip_->PM_Top->Checked(), c.on_top);
  // One explicit request, even for a strip that is not to stay on top.
  EXPECT_EQ(strip_->stay_on_top_requests, std::vector<bool>{c.on_top});
  EXPECT_EQ(strip_->Caption(), "Sonalix 100115");
}

const std::vector<TMonitor> kRightMonitorOnly{{{1920, 0, 3840, 1080}, {1920, 40, 3840, 1080}}};

INSTANTIATE_TEST_SUITE_P(
    Settings, StripPlaceTest,
    testing::Values(
        PlaceCase{"NoFile", {}, {}, {300, 300}, false},
        PlaceCase{"Stored", {{"Main/MainX", "120"}, {"Main/MainY", "-8"}, {"Main/Top", "1"}}, {}, {120, -8}, true},
        PlaceCase{"Hexadecimal", {{"Main/MainX", "0x40"}, {"Main/Top", "0"}}, {}, {64, 300}, false},
        PlaceCase{"NotANumber", {{"Main/MainX", "left"}, {"Main/MainY", "5"}}, {}, {300, 5}, false},
        // Only the strip's last pixel is on the monitor: kept.
        PlaceCase{"OneCornerOnScreen", {{"Main/MainX", "-273"}, {"Main/MainY", "-25"}}, {}, {-273, -25}, false},
        PlaceCase{"OffEveryMonitor", {{"Main/MainX", "5000"}, {"Main/MainY", "5000"}}, {}, {300, 300}, false},
        PlaceCase{"DefaultOffEveryMonitorToo", {{"Main/MainX", "5000"}}, kRightMonitorOnly, {1920, 40}, false}),
    [](const testing::TestParamInfo<PlaceCase>& param_info) { return std::string(param_info.param.name); });

TEST_F(StripTest, CreationConnectsTheDevicesAndShowingLoadsTheSkinsAndStartsTheTimer) {
  Create();
  EXPECT_EQ(Seen(), (StripLog{"tray icon added", "open settings", "connect devices", "capture device \"\""}));
  ASSERT_EQ(platform_.desktop.shown_icons.size(), 1U);
  EXPECT_EQ(platform_.desktop.shown_icons[0].picture, FakeStripDesktop::kApplicationIcon);
  EXPECT_EQ(platform_.desktop.shown_icons[0].tip, "Sonalix");
  EXPECT_FALSE(Timer().Running());

  strip_->Show();
  EXPECT_EQ(Seen(), (StripLog{"hide taskbar button", "load skin"}));
  EXPECT_TRUE(Timer().Running());
}

TEST_F(StripTest, TicksShowOnlyWhatChangedAndAPaintRequestShowsTheWholeStrip) {
  CreateShown();
  Tick();
  EXPECT_EQ(Seen(), StripLog{"show whole strip"}) << "the window may hold anything before the first tick";
  Tick();
  EXPECT_EQ(Seen(), StripLog{});
  Measure(255, 128);
  Tick();
  EXPECT_EQ(Seen(), StripLog{"show 1 rows"});
  strip_->PaintRequest();
  EXPECT_EQ(Seen(), StripLog{"show whole strip"});
  EXPECT_EQ(application_.pumps, 0) << "a draw that runs no loop has nothing to let in first";
}

TEST_F(StripTest, APaintRequestStepsTheMeterAsATickDoes) {
  CreateShown();
  TChannelLevels alone;
  Measure(255, 200);
  snx::Measure(alone, 255, 200);
  strip_->PaintRequest();
  Tick();
  strip_->PaintRequest();
  for (int step = 0; step < 3; ++step) alone.DecayLevels();
  EXPECT_EQ(Meter().Snapshot()[0].Level, alone.Snapshot()[0].Level);
  EXPECT_EQ(Meter().Snapshot()[1].Peak, alone.Snapshot()[1].Peak);
  EXPECT_LT(Meter().Snapshot()[0].Level, 105.0f);
}

class StripRestTest : public StripTest, public testing::WithParamInterface<bool> {};

TEST_P(StripRestTest, TheTimerRestsOnceCaptureIsIdleAndEveryBarIsDownWhereThePlatformLetsIt) {
  const bool may_rest = GetParam();
  platform_.may_rest = may_rest;
  CreateShown();
  Tick();
  EXPECT_EQ(Timer().Running(), !may_rest) << "idle from the start";
  Seen();

  strip_->PM_Start->Click();
  EXPECT_EQ(Seen(), (StripLog{"capture start"}));
  EXPECT_TRUE(Timer().Running());
  Tick(50);
  EXPECT_TRUE(Timer().Running()) << "capture could still raise the bars";

  Measure(255, 255);
  strip_->PM_Stop->Click();
  EXPECT_EQ(Seen(), (StripLog{"capture stop"}));
  // Far more ticks than a peak mark at full scale needs to fall (188).
  for (int ticks = 0; Timer().Running() && !LevelsAtRest(Meter().Snapshot()) && ticks < 1000; ++ticks) Tick();
  EXPECT_TRUE(LevelsAtRest(Meter().Snapshot())) << "the timer rested while a bar or mark was up";
  EXPECT_EQ(Timer().Running(), !may_rest);
  Tick(10);
  EXPECT_EQ(Timer().Running(), !may_rest);
}

INSTANTIATE_TEST_SUITE_P(Platforms, StripRestTest, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& param_info) {
                           return std::string(param_info.param ? "MayRest" : "KeepsTicking");
                         });

TEST_F(StripTest, TheRightButtonOpensTheMenuAtThePointerAndTheLeftOneDrags) {
  platform_.settings.values = {{"Main/MainX", "120"}, {"Main/MainY", "40"}};
  CreateShown();
  application_.choose = [&](const TPopupMenu& menu) {
    EXPECT_EQ(&menu, strip_->PopupMenu);
    return strip_->PM_Start;
  };
  strip_->ReleaseButton(TMouseButton::mbRight, 10, 5);
  application_.choose = [&](const TPopupMenu&) { return strip_->PM_Stop; };
  strip_->ReleaseButton(TMouseButton::mbRight, 273, 25);
  strip_->ReleaseButton(TMouseButton::mbLeft, 10, 5);
  strip_->ReleaseButton(TMouseButton::mbMiddle, 10, 5);
  EXPECT_EQ(application_.popups, (std::vector<std::pair<int, int>>{{130, 45}, {393, 65}}));
  EXPECT_EQ(Seen(), (StripLog{"capture start", "capture stop"}));

  strip_->PressButton(TMouseButton::mbRight, 10, 5);
  EXPECT_EQ(strip_->drags, 0);
  strip_->PressButton(TMouseButton::mbLeft, 10, 5);
  EXPECT_EQ(strip_->drags, 1);
}

// Tray hosts that draw the menu themselves are offered the strip's own, as
// it stands after each change.
TEST_F(StripTest, TheTrayOffersHostsTheStripsMenuWithItsMarkKeptCurrent) {
  platform_.settings.values = {{"Main/Top", "1"}};
  CreateShown();
  const std::vector<std::string> rows{"開始(&S)", "停止(&P)",           "入力(&I)", "-",       "+常に最前面に表示(&T)",
                                      "-",        "バージョン情報(&A)", "-",        "終了(&X)"};
  ASSERT_FALSE(platform_.desktop.offered_menus.empty());
  EXPECT_EQ(platform_.desktop.offered_menus.back(), rows);
  strip_->PM_Top->Click();
  std::vector<std::string> unchecked = rows;
  unchecked[4] = "常に最前面に表示(&T)";
  EXPECT_EQ(platform_.desktop.offered_menus.back(), unchecked);
}

// The input submenu's rows, "+" before a checked one.
std::vector<std::string> InputRows(const TSNX_MAIN& strip) {
  std::vector<std::string> rows;
  for (int i = 0; i < strip.PM_Input->Count(); ++i) {
    const TMenuItem* item = strip.PM_Input->Items(i);
    rows.push_back((item->Checked() ? "+" : "") + item->Caption());
  }
  return rows;
}

class StripInputTest : public StripTest {
 protected:
  StripInputTest() { platform_.inputs.devices = {{"mic", "Mic & Line"}, {"usb", "USB Audio"}}; }
  // Opens the menu from the strip and chooses the input row `row` in it, as
  // the menu then shows it.
  void ChooseInput(int row) {
    application_.choose = [this, row](const TPopupMenu&) { return strip_->PM_Input->Items(row); };
    strip_->ReleaseButton(TMouseButton::mbRight, 1, 1);
  }
};

TEST_F(StripInputTest, TheSubmenuFollowsStopAndIsCurrentEachTimeTheMenuOpens) {
  CreateShown();
  const TMenuItem& items = strip_->PopupMenu->Items();
  EXPECT_EQ(items.IndexOf(strip_->PM_Input), items.IndexOf(strip_->PM_Stop) + 1);
  EXPECT_EQ(strip_->PM_Input->Caption(), "入力(&I)");

  application_.choose = [this](const TPopupMenu&) {
    EXPECT_EQ(InputRows(*strip_), (std::vector<std::string>{"+既定の入力", "-", "Mic && Line", "USB Audio"}));
    return nullptr;
  };
  strip_->ReleaseButton(TMouseButton::mbRight, 1, 1);
  platform_.inputs.devices.pop_back();
  application_.choose = [this](const TPopupMenu&) {
    EXPECT_EQ(InputRows(*strip_), (std::vector<std::string>{"+既定の入力", "-", "Mic && Line"}));
    return nullptr;
  };
  strip_->ReleaseButton(TMouseButton::mbRight, 1, 1);
  EXPECT_EQ(application_.popups.size(), 2U);
}

TEST_F(StripInputTest, ChoosingWhileCapturingMovesCaptureAtOnceAndWhileStoppedOnlyRemembers) {
  CreateShown();
  ChooseInput(3);
  EXPECT_EQ(Seen(), StripLog{"capture device \"usb\""});
  EXPECT_EQ(InputRows(*strip_), (std::vector<std::string>{"既定の入力", "-", "Mic && Line", "+USB Audio"}));

  strip_->PM_Start->Click();
  Seen();
  ChooseInput(2);
  EXPECT_EQ(Seen(), (StripLog{"capture stop", "capture device \"mic\"", "capture start"}));
  EXPECT_TRUE(platform_.capture.CaptureRunning());
  // The one being metered again: nothing to do.
  ChooseInput(2);
  EXPECT_EQ(Seen(), StripLog{});
  ChooseInput(0);
  EXPECT_EQ(Seen(), (StripLog{"capture stop", "capture device \"\"", "capture start"}));
  EXPECT_EQ(InputRows(*strip_), (std::vector<std::string>{"+既定の入力", "-", "Mic && Line", "USB Audio"}));
}

TEST_F(StripInputTest, TheChoiceIsRememberedAndTheDefaultLeavesTheFileAsItWas) {
  const SettingsValues untouched{{"Main/MainX", "10"}, {"Main/MainY", "20"}, {"Main/Top", "0"}};
  platform_.settings.values = untouched;
  Create();
  strip_->Show();
  strip_->PM_Exit->Click();
  EXPECT_EQ(platform_.settings.values, untouched);

  // The next run meters the chosen input, even one that is away for now.
  platform_.settings.values["Main/Device"] = "gone";
  platform_.log.clear();
  Create();
  EXPECT_EQ(Seen(), (StripLog{"tray icon added", "open settings", "connect devices", "capture device \"gone\""}));
  strip_->Show();
  ChooseInput(3);
  EXPECT_EQ(InputRows(*strip_), (std::vector<std::string>{"既定の入力", "-", "Mic && Line", "+USB Audio"}));
  strip_->PM_Exit->Click();
  EXPECT_EQ(platform_.settings.values["Main/Device"], "usb");

  Create();
  strip_->Show();
  ChooseInput(0);
  strip_->PM_Exit->Click();
  EXPECT_EQ(platform_.settings.values, untouched);
}

TEST_F(StripTest, ExitReleasesTheSkinsThenWritesWhereTheStripIsAndEndsTheProgram) {
  CreateShown();
  strip_->SetLeft(-40);
  strip_->SetTop(700);
  strip_->PM_Top->Click();
  strip_->PM_Exit->Click();
  EXPECT_FALSE(Timer().Running());
  EXPECT_EQ(Seen(), (StripLog{"release skin", "open settings"}));
  EXPECT_EQ(platform_.settings.values,
            (SettingsValues{{"Main/MainX", "-40"}, {"Main/MainY", "700"}, {"Main/Top", "1"}}));
  EXPECT_TRUE(application_.terminated);

  // A paint request after the close steps the meter and draws nothing.
  Measure(255, 255);
  strip_->PaintRequest();
  EXPECT_EQ(Seen(), StripLog{});
  EXPECT_LT(Meter().Snapshot()[0].LevelSpeed, 1.0f);
  EXPECT_GT(Meter().Snapshot()[0].LevelSpeed, 0.0f);
}

TEST_F(StripTest, SettingsThatCannotBeWrittenAreReportedAndTheProgramStillEnds) {
  CreateShown();
  platform_.settings.fail_writes = true;
  strip_->Close();
  EXPECT_EQ(application_.error_boxes,
            std::vector<std::string>{"/home/user/.config/sonalix/Sonalix.ini に書き込めません."});
  EXPECT_TRUE(application_.terminated);
}

TEST_F(StripTest, WhileHiddenNothingIsDrawnButTheMeterStillSteps) {
  CreateShown();
  Tick();
  strip_->Hide();
  Seen();
  Measure(255, 255);
  Tick(2);
  EXPECT_EQ(Seen(), StripLog{});
  EXPECT_LT(Meter().Snapshot()[0].Level, 105.0f);

  strip_->Show();
  Tick();
  EXPECT_EQ(Seen(), (StripLog{"hide taskbar button", "load skin", "show whole strip"}))
      << "a new canvas is drawn whole";
}

// Linux: the capture measures on the user-interface thread, and its sound
// paces the ticks while it arrives.
class PacedStripTest : public StripTest {
 protected:
  PacedStripTest() {
    platform_.paced = true;
    platform_.may_rest = true;
  }
  FakePacing& Pacing() { return platform_.pacing; }
  // A buffer measured `after` the clock's present time.
  void MeasureAfter(TPacerTime after, std::uint8_t left, std::uint8_t right) {
    Pacing().now += after;
    snx::Measure(*platform_.levels, left, right);
  }
  // Starts capture and lets its sound arrive: the timer's schedule is over.
  void StartSounding() {
    strip_->PM_Start->Click();
    MeasureAfter(TPacerTime(3000), 128, 128);
    Seen();
  }
};

TEST_F(PacedStripTest, EachBufferIsDrawnTheMomentItIsMeasuredAndTheTimerRestsWhileSoundArrives) {
  CreateShown();
  EXPECT_TRUE(Timer().Running()) << "idle: the timer lets the bars fall";
  strip_->PM_Start->Click();
  EXPECT_FALSE(Timer().Running()) << "two clocks would tick at once";
  // Until sound arrives the ticks keep the timer's schedule.
  const TPacerTime started = Pacing().now;
  EXPECT_EQ(Pacing().wake, started + kTickPeriod);
  Pacing().Wake();
  EXPECT_EQ(Seen(), (StripLog{"capture start", "show whole strip"}));
  EXPECT_EQ(Pacing().wake, started + 2 * kTickPeriod);

  MeasureAfter(TPacerTime(6000), 255, 255);
  EXPECT_EQ(Seen(), StripLog{"show 2 rows"}) << "the buffer waited for a tick";
  EXPECT_EQ(Pacing().wake, Pacing().now + kSoundGap);
  for (int buffer = 0; buffer < 5; ++buffer) MeasureAfter(kTickPeriod, 128, 128);
  EXPECT_EQ(Seen(), (StripLog{"show 2 rows", "show 2 rows", "show 2 rows"}))
      << "bar widths 212, 208, 208, 204, 204, 200";
  EXPECT_EQ(Pacing().wake, Pacing().now + kSoundGap);
  EXPECT_FALSE(Timer().Running());
}

TEST_F(PacedStripTest, InAGapTheBarsFallByWallTimeAndABunchIsSpreadHalfAPeriodApart) {
  CreateShown();
  StartSounding();
  MeasureAfter(kTickPeriod, 255, 255);
  Seen();
  const TPacerTime last = Pacing().now;
  // Bar widths at ticks 2 to 6: 208, 208, 204, 204, 200.
  for (int tick = 2; tick <= 6; ++tick) Pacing().Wake();
  EXPECT_EQ(Pacing().now, last + 5 * kSoundGap);
  EXPECT_EQ(Seen(), (StripLog{"show 2 rows", "show 2 rows", "show 2 rows"}));
  // Seven late buffers at once: five repay the wall ticks, two are owed,
  // the first at once, the second half a period later.
  MeasureAfter(TPacerTime(7000), 128, 128);
  for (int buffer = 1; buffer < 7; ++buffer) MeasureAfter(TPacerTime(0), 128, 128);
  EXPECT_EQ(Pacing().wake, Pacing().now + kTickSpacing) << "the owed ticks were not spread";
  EXPECT_EQ(Seen().size(), 1U) << "the bars did not fall at the first owed tick";
  Pacing().Wake();
  EXPECT_EQ(Pacing().wake, Pacing().now + kSoundGap) << "more ticks than the sound owed";
}

TEST_F(PacedStripTest, AfterStopOrAFailureTheTimerLetsTheBarsFallAndRests) {
  CreateShown();
  StartSounding();
  MeasureAfter(kTickPeriod, 255, 255);
  strip_->PM_Stop->Click();
  EXPECT_FALSE(Pacing().wake) << "the sound's clock still ran";
  EXPECT_TRUE(Timer().Running());
  Tick(200);
  EXPECT_FALSE(Timer().Running()) << "the bars are down and nothing can raise them";

  StartSounding();
  MeasureAfter(kTickPeriod, 255, 255);
  EXPECT_FALSE(Timer().Running());
  platform_.capture.Fail();
  Pacing().Wake();
  EXPECT_FALSE(Pacing().wake);
  EXPECT_TRUE(Timer().Running()) << "no sound comes and the bars stay up";
}

TEST_F(PacedStripTest, ShowingAgainWhileCapturingKeepsTheSoundsClockAndClosingEndsIt) {
  CreateShown();
  StartSounding();
  strip_->Hide();
  strip_->Show();
  EXPECT_FALSE(Timer().Running());
  EXPECT_TRUE(Pacing().wake);
  strip_->PM_Exit->Click();
  EXPECT_FALSE(Pacing().wake);
  Seen();
  // Sound still arriving after the close (capture runs until the program ends) draws nothing.
  MeasureAfter(kTickPeriod, 255, 255);
  EXPECT_FALSE(Pacing().wake);
  EXPECT_FALSE(Timer().Running());
  EXPECT_EQ(Seen(), StripLog{});
}

// Win32's draws first let the application handle its pending messages.
class PumpingStripTest : public StripTest {
 protected:
  PumpingStripTest() { platform_.pumping = true; }
};

TEST_F(PumpingStripTest, WhatThePumpHandlesBeforeADrawIsInThatDraw) {
  CreateShown();
  Tick();
  Seen();
  // A buffer measured while the pending messages are handled.
  application_.pending = [&] { Measure(255, 255); };
  Tick();
  EXPECT_EQ(Seen(), StripLog{"show 2 rows"});
  EXPECT_EQ(application_.pumps, 2);
}

TEST_F(PumpingStripTest, ATickArrivingInsideADrawStepsTheMeterButDoesNotDrawOverIt) {
  CreateShown();
  Tick();
  Seen();
  TChannelLevels alone;
  Measure(255, 255);
  snx::Measure(alone, 255, 255);
  platform_.skin.during_present = [&] { Tick(); };
  Tick();
  EXPECT_EQ(Seen(), StripLog{"show 2 rows"}) << "the nested tick drew over the draw in progress";
  alone.DecayLevels();
  alone.DecayLevels();
  EXPECT_EQ(Meter().Snapshot()[0].LevelSpeed, alone.Snapshot()[0].LevelSpeed);

  // The draw after it can draw again, and shows what the nested tick did.
  alone.DecayLevels();
  Tick();
  EXPECT_EQ(Seen(), StripLog{"show 2 rows"});
  EXPECT_EQ(Meter().Snapshot()[0].Level, alone.Snapshot()[0].Level);
}

}  // namespace
}  // namespace snx
