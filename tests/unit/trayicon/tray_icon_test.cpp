#include "trayicon/core/tray_icon.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "framework/core/reader.h"
#include "tests/unit/trayicon/fake_tray.h"

namespace snx::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Log = std::vector<std::string>;

class TrayIconTest : public TrayTest {};

TEST_F(TrayIconTest, IdentifiersGrowFromTheLastEntryUpToAHundredInstances) {
  std::vector<TTrayIcon*> trays;
  for (int i = 0; i < 100; ++i) trays.push_back(NewTray());
  EXPECT_EQ(trays[0]->IconID(), 1);
  EXPECT_EQ(trays[99]->IconID(), 100);
  try {
    NewTray();
    FAIL() << "a 101st instance";
  } catch (const ENotifyIconError& e) {
    EXPECT_STREQ(e.what(), "タスクトレイにアイコンを登録できません。");
  }
  EXPECT_EQ(TrayIconList.Count(), 100);
  delete trays[99];
  EXPECT_EQ(NewTray()->IconID(), 100);  // the highest identifier is free again
  delete trays[0];
  EXPECT_EQ(NewTray()->IconID(), 101);  // a gap stays a gap
}

TEST_F(TrayIconTest, AddSendsTheWholeRecordAndDestructionDeletesIt) {
  for (auto [major, size] : {std::pair{6, 488u}, std::pair{4, 88u}}) {
    platform_.shell_major = static_cast<std::uint16_t>(major);
    TTrayIcon* tray = NewTray();
    platform_.Clear();
    tray->SetVisible(true);
    delete tray;
    const auto calls = platform_.Calls();
    ASSERT_EQ(calls.size(), 2u);
    const TNotifyIconDataV5A& r = calls[0].record;
    EXPECT_EQ(calls[0].message, kNimAdd);
    EXPECT_EQ(r.cbSize, size);
    EXPECT_EQ(r.hWnd, FakeTrayPlatform::kWindow);
    EXPECT_EQ(r.uCallbackMessage, 0x4C8u);
    EXPECT_EQ(r.hIcon, FakeTrayPlatform::kAppIcon);
    EXPECT_EQ(r.uFlags, 7u);
    EXPECT_EQ(calls[0].Tip(), "TipHelp");
    EXPECT_EQ(calls[1].message, kNimDelete);
    EXPECT_EQ(calls[1].record.uID, r.uID);
  }
}

TEST_F(TrayIconTest, TheTipIsCutAt63BytesEvenInsideADoubleByteCharacterAndSentOnlyWhenChanged) {
  TTrayIcon* tray = ShownTray();
  const std::string tip = std::string(62, 'a') + "\x82\xA0";  // Shift-JIS: its lead byte is the 63rd
  tray->SetTipHelp(tip);
  tray->SetTipHelp(tip + "more");  // cuts to the same bytes
  tray->SetBalloonTitle(std::string(80, 't'));
  tray->SetBalloonText(std::string(300, 'x'));
  const auto calls = platform_.Calls();
  ASSERT_EQ(calls.size(), 1u);  // balloon texts wait for the next balloon
  EXPECT_EQ(calls[0].Tip(), tip.substr(0, 63));
  EXPECT_EQ(static_cast<unsigned char>(tray->TipHelp().back()), 0x82);
  EXPECT_EQ(tray->BalloonTitle().size(), 63u);
  EXPECT_EQ(tray->BalloonText().size(), 255u);
}

TEST_F(TrayIconTest, WithNoIconAnywhereVisibleStaysFalse) {
  platform_.app_icon = 0;
  TTrayIcon* tray = NewTray();
  tray->SetVisible(true);
  EXPECT_FALSE(tray->Visible());
  TIcon own = MakeIcon(0x0E);
  tray->SetIcon(&own);
  tray->SetVisible(true);
  EXPECT_EQ(platform_.Calls().at(0).record.hIcon, 0x0Eu);
}

// Own icon first, then the owner form's, then the application's; a tray
// whose owner is no form skips the form.
struct IconSourceCase {
  const char* name;
  TIconHandle own, form, application;
  bool owned_by_form;
  TIconHandle shown;
};
void PrintTo(const IconSourceCase& c, std::ostream* os) { *os << c.name; }

class IconSourceTest : public TrayTest, public ::testing::WithParamInterface<IconSourceCase> {};

TEST_P(IconSourceTest, TheShellGetsTheFirstIconThatHasAHandle) {
  const IconSourceCase& c = GetParam();
  platform_.form_icon = c.form;
  platform_.app_icon = c.application;
  TComponent no_form(nullptr);
  TTrayIcon* tray = NewTray(c.owned_by_form ? owner_.get() : &no_form);
  const TIcon own = MakeIcon(c.own);
  if (c.own != 0) tray->SetIcon(&own);
  EXPECT_EQ(tray->GetIconHandle(), c.shown);
  tray->SetVisible(true);
  ASSERT_EQ(platform_.Calls().size(), 1u);
  EXPECT_EQ(platform_.Calls()[0].record.hIcon, c.shown);
  delete tray;
}

INSTANTIATE_TEST_SUITE_P(Tiers, IconSourceTest,
                         ::testing::Values(IconSourceCase{"Own", 0x0E, 0xF0, 0xA0, true, 0x0E},
                                           IconSourceCase{"Form", 0, 0xF0, 0xA0, true, 0xF0},
                                           IconSourceCase{"FormWithoutIcon", 0, 0, 0xA0, true, 0xA0},
                                           IconSourceCase{"OwnerIsNoForm", 0, 0xF0, 0xA0, false, 0xA0}),
                         [](const ::testing::TestParamInfo<IconSourceCase>& test) {
                           return std::string(test.param.name);
                         });

TEST_F(TrayIconTest, EmptyingTheOwnIconFallsBackToTheFormIcon) {
  platform_.form_icon = 0xF0;
  TTrayIcon* tray = ShownTray();
  const TIcon own = MakeIcon(0x0E);
  tray->SetIcon(&own);
  tray->SetIcon(nullptr);
  const auto calls = platform_.Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].record.hIcon, 0x0Eu);
  EXPECT_EQ(calls[1].record.hIcon, 0xF0u);
}

TEST_F(TrayIconTest, TheAnimateRateNeverFallsBelowTen) {
  TTrayIcon* tray = NewTray();
  const std::pair<std::int32_t, std::int32_t> steps[] = {{3, 10}, {10, 10}, {11, 11}, {0, 10}, {-5, 10}, {500, 500}};
  for (const auto& [set, rate] : steps) {
    tray->SetAnimateRate(set);
    EXPECT_EQ(tray->AnimateRate(), rate) << "set " << set;
  }
}

struct ModeCase {
  std::uint16_t shell;
  TTrayIconMode mode;
  std::uint32_t message, flags, state;
};
void PrintTo(const ModeCase& c, std::ostream* os) {
  *os << "shell " << c.shell << " mode " << static_cast<int>(c.mode);
}

class ModeTest : public TrayTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(ModeTest, FlagsFollowTheModeAndTheShellVersion) {
  const ModeCase c = GetParam();
  platform_.shell_major = c.shell;
  TTrayIcon* tray = ShownTray();
  tray->SetTrayIcon(c.mode);
  const auto calls = platform_.Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].message, c.message);
  EXPECT_EQ(calls[0].record.uFlags, c.flags);
  if (c.flags == 8) {
    EXPECT_EQ(calls[0].record.dwState, c.state);
    EXPECT_EQ(calls[0].record.dwStateMask, 3u);
  }
}

using enum TTrayIconMode;
INSTANTIATE_TEST_SUITE_P(
    Modes, ModeTest,
    ::testing::Values(ModeCase{6, tiModifyIcon, kNimModify, 7, 0}, ModeCase{6, tiShowBalloon, kNimModify, 0x11, 0},
                      ModeCase{6, tiHideBalloon, kNimModify, 0x11, 0}, ModeCase{6, tiShowIcon, kNimModify, 8, 0},
                      ModeCase{6, tiHideIcon, kNimModify, 8, 1}, ModeCase{6, tiDeleteIcon, kNimDelete, 7, 0},
                      ModeCase{4, tiShowBalloon, kNimModify, 7, 0}, ModeCase{4, tiHideIcon, kNimModify, 7, 0}));

TEST_F(TrayIconTest, HidingKeepsTheSlotOnANewShellAndDeletesOnAnOldOne) {
  for (auto [shell, log] : {std::pair{6, Log{"MODIFY", "MODIFY"}}, std::pair{4, Log{"DELETE", "ADD"}}}) {
    platform_.shell_major = static_cast<std::uint16_t>(shell);
    TTrayIcon* tray = ShownTray();
    tray->SetVisible(false);
    tray->SetVisible(true);
    EXPECT_EQ(platform_.Log(), log);
    delete tray;
  }
}

TEST_F(TrayIconTest, FailedShellCallsRaiseTheirOwnMessages) {
  TTrayIcon* tray = ShownTray();
  const std::pair<std::function<void()>, const char*> cases[] = {
      {[&] { tray->SetTipHelp("changed"); }, "タスクトレイにアイコンを登録できません。"},
      {[&] { tray->HideBalloon(); }, "タスクトレイアイコンのバルーンメッセージ表示が切り替えられません。"},
      {[&] { tray->SetVisible(false); }, "タスクトレイアイコンの表示が切り替えられません。"},
  };
  for (const auto& [act, message] : cases) {
    platform_.modify_results = {false};
    try {
      act();
      ADD_FAILURE() << "no error: " << message;
    } catch (const ENotifyIconError& e) {
      EXPECT_STREQ(e.what(), message);
    }
  }
}

struct TimeoutCase {
  const char* name;
  TOsVersion os;
  std::uint32_t error;
  std::deque<bool> adds, modifies;
  Log log;
  bool added;
};
void PrintTo(const TimeoutCase& c, std::ostream* os) { *os << c.name; }

class TimeoutRuleTest : public TrayTest, public ::testing::WithParamInterface<TimeoutCase> {};

TEST_P(TimeoutRuleTest, AddWaitsProbesAndRetriesOnlyForTimeOutsOnXPOrLater) {
  const TimeoutCase& c = GetParam();
  platform_.os = c.os;
  platform_.last_error = c.error;
  platform_.add_results = c.adds;
  platform_.modify_results = c.modifies;
  TTrayIcon* tray = NewTray();
  if (c.added) {
    tray->SetVisible(true);
  } else {
    EXPECT_THROW(tray->SetVisible(true), ENotifyIconError);
  }
  EXPECT_EQ(platform_.Log(), c.log);
  EXPECT_EQ(tray->IconAdded(), c.added);  // so that destruction deletes it
}

const Log kTimeOut = {"ADD", "last error", "sleep 100"};
Log Then(Log first, const Log& next) {
  first.insert(first.end(), next.begin(), next.end());
  return first;
}
Log SixTimeOuts() {
  Log log = Then(kTimeOut, {"MODIFY"});
  for (int i = 0; i < 4; ++i) log = Then(log, kTimeOut);
  return Then(log, {"ADD", "last error"});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TimeoutRuleTest,
    ::testing::Values(
        TimeoutCase{"ProbeFindsTheIcon", {5, 1}, 0x5B4, {false}, {true}, Then(kTimeOut, {"MODIFY"}), true},
        TimeoutCase{"RetrySucceeds", {6, 0}, 0x5B4, {false, true}, {false}, Then(kTimeOut, {"MODIFY", "ADD"}), true},
        TimeoutCase{"SixthTimeOutRaises", {5, 1}, 0x5B4, std::deque<bool>(6, false), {false}, SixTimeOuts(), false},
        TimeoutCase{"OtherErrorRaises", {5, 1}, 5, {false}, {}, {"ADD", "last error"}, false},
        TimeoutCase{"Windows2000Raises", {5, 0}, 0x5B4, {false}, {}, {"ADD"}, false}),
    [](const ::testing::TestParamInfo<TimeoutCase>& test) { return std::string(test.param.name); });

TEST_F(TrayIconTest, ARemovedMenuIsUnlinkedFromBothButtons) {
  TTrayIcon* tray = NewTray();
  TComponent other_form(nullptr);
  auto* menu = new TPopupMenu(&other_form);
  tray->SetLBPopupMenu(menu);
  tray->SetRBPopupMenu(menu);
  delete menu;
  EXPECT_EQ(tray->LBPopupMenu(), nullptr);
  EXPECT_EQ(tray->RBPopupMenu(), nullptr);
}

TEST_F(TrayIconTest, ANewTaskbarGetsBackOnlyTheIconsTheShellLost) {
  TTrayIcon* lost = ShownTray();
  TTrayIcon* kept = ShownTray();
  TTrayIcon* hidden = ShownTray();
  hidden->SetVisible(false);
  platform_.Clear();
  platform_.modify_results = {false, true, false};  // the shell's answers to "still there?"
  CallbackWindow->TaskbarCreated();
  EXPECT_EQ(platform_.Log(), (Log{"MODIFY", "ADD", "MODIFY", "MODIFY"}));
  EXPECT_TRUE(lost->IconAdded() && kept->IconAdded());
  EXPECT_FALSE(hidden->IconAdded());  // added again once shown
}

TEST_F(TrayIconTest, AFormDescriptionAddsTheIconOnceLoadedWithItsStoredTipOrNone) {
  const ComponentClassTable classes{
      {"TPopupMenu", [](TComponent* o) -> TComponent* { return new TPopupMenu(o); }},
      {"TTrayIcon", [this](TComponent* o) -> TComponent* { return new TTrayIcon(o, platform_); }}};
  const ObjectDescription description = ParseFormDescription(R"(object F: TF
  object PopupMenu: TPopupMenu
  end
  object TrayIcon: TTrayIcon
    RBPopupMenu = PopupMenu
    TipHelp = 'Sonalix'
    Visible = True
    BalloonIcon = biifWarning
  end
  object Quiet: TTrayIcon
    Visible = True
  end
end
)");
  const MethodTable no_methods;
  TReader(description, classes, no_methods).ReadRootComponent(owner_.get());
  auto* tray = dynamic_cast<TTrayIcon*>(owner_->FindComponent("TrayIcon"));
  EXPECT_EQ(tray->RBPopupMenu(), owner_->FindComponent("PopupMenu"));
  EXPECT_EQ(tray->BalloonIcon(), TBalloonInfoIconFlag::biifWarning);
  const auto calls = platform_.Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].Tip(), "cp:Sonalix");
  EXPECT_EQ(calls[1].Tip(), "");  // stored without a tip: none, not the constructor's
  EXPECT_EQ(calls[1].record.uFlags, 3u);
  EXPECT_EQ(NewTray()->TipHelp(), "TipHelp");
}

}  // namespace
}  // namespace snx::testing
