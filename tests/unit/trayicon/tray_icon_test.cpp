#include "trayicon/core/tray_icon.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "framework/core/reader.h"
#include "tests/unit/trayicon/fake_tray.h"

namespace snx::testing {
namespace {

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
  EXPECT_EQ(platform_.ids.Count(), 100);
  delete trays[99];
  EXPECT_EQ(NewTray()->IconID(), 100);  // the highest identifier is free again
  delete trays[0];
  EXPECT_EQ(NewTray()->IconID(), 101);  // a gap stays a gap
}

TEST_F(TrayIconTest, AddShowsTheIconWithItsTipAndPictureAndDestructionRemovesIt) {
  TTrayIcon* tray = NewTray();
  tray->SetVisible(true);
  delete tray;
  const auto calls = platform_.Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].what, "add");
  EXPECT_EQ(calls[0].view.id, 1);
  EXPECT_EQ(calls[0].view.tip, "TipHelp");
  EXPECT_EQ(calls[0].view.picture, FakeTrayPlatform::kAppIcon);
  EXPECT_TRUE(calls[0].view.visible);
  EXPECT_EQ(calls[1].what, "remove");
  EXPECT_EQ(calls[1].view.id, 1);
}

// The area's texts are UTF-8 here, where a Japanese character takes three bytes.
TEST_F(TrayIconTest, TextsAreCutToWholeCharactersAndTheTipIsSentOnlyWhenChanged) {
  TTrayIcon* tray = ShownTray();
  std::string kana;
  for (int i = 0; i < 100; ++i) kana += "音";
  const std::string tip = "a" + kana;  // the 63rd byte is the first of the 21st character
  tray->SetTipHelp(tip);
  tray->SetTipHelp(tip + "more");  // cuts to the same characters
  tray->SetBalloonTitle(kana);
  tray->SetBalloonText(tip);
  const auto calls = platform_.Calls();
  ASSERT_EQ(calls.size(), 1u);  // balloon texts wait for the next balloon
  EXPECT_EQ(calls[0].view.tip, tip.substr(0, 61));
  EXPECT_EQ(tray->TipHelp(), tip.substr(0, 61));
  EXPECT_EQ(tray->BalloonTitle(), kana.substr(0, 63));
  EXPECT_EQ(tray->BalloonText(), tip.substr(0, 253));
  tray->SetTipHelp(std::string(70, 't'));
  EXPECT_EQ(tray->TipHelp(), std::string(63, 't'));
}

TEST_F(TrayIconTest, WithNoIconAnywhereVisibleStaysFalse) {
  platform_.app_icon = 0;
  TTrayIcon* tray = NewTray();
  tray->SetVisible(true);
  EXPECT_FALSE(tray->Visible());
  TIcon own = MakeIcon(0x0E);
  tray->SetIcon(&own);
  tray->SetVisible(true);
  EXPECT_EQ(platform_.Calls().at(0).view.picture, 0x0Eu);
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

TEST_P(IconSourceTest, TheAreaGetsTheFirstIconThatHasAHandle) {
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
  EXPECT_EQ(platform_.Calls()[0].view.picture, c.shown);
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
  EXPECT_EQ(calls[0].view.picture, 0x0Eu);
  EXPECT_EQ(calls[1].view.picture, 0xF0u);
}

TEST_F(TrayIconTest, TheAnimateRateNeverFallsBelowTen) {
  TTrayIcon* tray = NewTray();
  const std::pair<std::int32_t, std::int32_t> steps[] = {{3, 10}, {10, 10}, {11, 11}, {0, 10}, {-5, 10}, {500, 500}};
  for (const auto& [set, rate] : steps) {
    tray->SetAnimateRate(set);
    EXPECT_EQ(tray->AnimateRate(), rate) << "set " << set;
  }
}

TEST_F(TrayIconTest, EachModeIsItsRequestToTheArea) {
  using enum TTrayIconMode;
  const std::pair<TTrayIconMode, const char*> modes[] = {
      {tiModifyIcon, "update"}, {tiShowBalloon, "balloon"}, {tiHideBalloon, "hide balloon"},
      {tiHideIcon, "hide"},     {tiShowIcon, "show"},       {tiDeleteIcon, "remove"},
      {tiAddIcon, "add"}};
  TTrayIcon* tray = ShownTray();
  for (const auto& [mode, request] : modes) tray->SetTrayIcon(mode);
  std::vector<std::string> expected;
  for (const auto& [mode, request] : modes) expected.emplace_back(request);
  EXPECT_EQ(platform_.Log(), expected);
  EXPECT_TRUE(tray->IconAdded());
}

TEST_F(TrayIconTest, HidingKeepsTheIconInAnAreaThatHidesInPlaceAndRemovesItElsewhere) {
  for (auto [in_place, log] : {std::pair{true, Log{"hide", "show"}}, std::pair{false, Log{"remove", "add"}}}) {
    platform_.hides_in_place = in_place;
    TTrayIcon* tray = ShownTray();
    tray->SetVisible(false);
    tray->SetVisible(true);
    EXPECT_EQ(platform_.Log(), log);
    delete tray;
  }
}

TEST_F(TrayIconTest, RefusedRequestsRaiseTheirOwnMessages) {
  TTrayIcon* tray = ShownTray();
  const std::pair<std::function<void()>, const char*> cases[] = {
      {[&] { tray->SetTipHelp("changed"); }, "タスクトレイにアイコンを登録できません。"},
      {[&] { tray->HideBalloon(); }, "タスクトレイアイコンのバルーンメッセージ表示が切り替えられません。"},
      {[&] { tray->ShowBalloon(TBalloonInfoIconFlag::biifInfo); },
       "タスクトレイアイコンのバルーンメッセージ表示が切り替えられません。"},
      {[&] { tray->SetVisible(false); }, "タスクトレイアイコンの表示が切り替えられません。"},
  };
  for (const auto& [act, message] : cases) {
    platform_.change_results = {false};
    try {
      act();
      ADD_FAILURE() << "no error: " << message;
    } catch (const ENotifyIconError& e) {
      EXPECT_STREQ(e.what(), message);
    }
  }
  platform_.add_results = {false};
  TTrayIcon* refused = NewTray();
  EXPECT_THROW(refused->SetVisible(true), ENotifyIconError);
  EXPECT_FALSE(refused->IconAdded());  // so that destruction removes nothing
}

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

// A host that draws an icon's menu itself is offered the right button's
// menu, as it stands at each change, while a press would open it.
class HostMenuTest : public TrayIconTest {
 protected:
  TMenuItem* Item(TMenuItem& parent, const char* caption) {
    auto* item = new TMenuItem(owner_.get());
    item->SetCaption(caption);
    parent.Add(item);
    return item;
  }

  TTrayIcon* tray_ = ShownTray();
  TPopupMenu* menu_ = new TPopupMenu(owner_.get());
  TMenuItem* start_ = Item(menu_->Items(), "Start");
  TMenuItem* top_ = Item(menu_->Items(), "Top");
};

TEST_F(HostMenuTest, TheRightButtonsMenuIsOfferedOnlyWhileAPressWouldOpenIt) {
  auto* other = new TPopupMenu(owner_.get());
  const struct {
    const char* step;
    std::function<void()> change;
    Log offers;
  } steps[] = {
      {"linked", [&] { tray_->SetRBPopupMenu(menu_); }, {"menu 1: Start Top"}},
      {"left button's menu", [&] { tray_->SetLBPopupMenu(other); }, {}},
      {"no automatic popup", [&] { tray_->SetAutoPopup(false); }, {"menu 1: none"}},
      {"changed while not offered", [&] { top_->SetChecked(true); }, {}},
      {"automatic popup again", [&] { tray_->SetAutoPopup(true); }, {"menu 1: Start +Top"}},
      {"disabled", [&] { tray_->SetEnabled(false); }, {"menu 1: none"}},
      {"enabled", [&] { tray_->SetEnabled(true); }, {"menu 1: Start +Top"}},
      {"another menu", [&] { tray_->SetRBPopupMenu(other); }, {"menu 1:"}},
      {"the first one changes", [&] { start_->SetCaption("Begin"); }, {}},
      {"unlinked", [&] { tray_->SetRBPopupMenu(nullptr); }, {"menu 1: none"}},
  };
  for (const auto& s : steps) {
    platform_.Clear();
    s.change();
    EXPECT_EQ(platform_.MenuOffers(), s.offers) << s.step;
  }
}

TEST_F(HostMenuTest, EachChangeAnywhereInTheMenuIsOfferedAgainAndASameValueIsNoChange) {
  tray_->SetRBPopupMenu(menu_);
  TMenuItem* sub = Item(menu_->Items(), "More");
  TMenuItem* deep = Item(*sub, "Deep");
  const struct {
    const char* step;
    std::function<void()> change;
    Log offers;
  } steps[] = {
      {"checked", [&] { top_->SetChecked(true); }, {"menu 1: Start +Top More"}},
      {"checked again", [&] { top_->SetChecked(true); }, {}},
      {"caption", [&] { start_->SetCaption("Begin"); }, {"menu 1: Begin +Top More"}},
      {"same caption", [&] { start_->SetCaption("Begin"); }, {}},
      {"in a submenu", [&] { deep->SetChecked(true); }, {"menu 1: Begin +Top More"}},
      {"removed", [&] { menu_->Items().Remove(top_); }, {"menu 1: Begin More"}},
      {"a removed item changes", [&] { top_->SetChecked(false); }, {}},
      {"destroyed", [&] { delete start_; }, {"menu 1: More"}},
  };
  for (const auto& s : steps) {
    platform_.Clear();
    s.change();
    EXPECT_EQ(platform_.MenuOffers(), s.offers) << s.step;
  }
}

TEST_F(HostMenuTest, ADestroyedMenuIsWithdrawnAndItsItemsChangeNothingAfterwards) {
  tray_->SetRBPopupMenu(menu_);
  platform_.Clear();
  delete menu_;
  EXPECT_EQ(platform_.MenuOffers(), Log{"menu 1: none"});
  EXPECT_EQ(tray_->RBPopupMenu(), nullptr);
  platform_.Clear();
  top_->SetChecked(true);
  EXPECT_EQ(platform_.MenuOffers(), Log{});
  // An icon that goes withdraws nothing more from a menu that is no longer there.
  delete tray_;
}

TEST_F(TrayIconTest, AnAreaThatStartedAnewGetsBackOnlyTheShownIconsItLost) {
  TTrayIcon* lost = ShownTray();
  TTrayIcon* kept = ShownTray();
  TTrayIcon* hidden = ShownTray();
  hidden->SetVisible(false);
  platform_.Clear();
  platform_.change_results = {false, true, false};  // the area's answers to "still there?"
  platform_.Restart();
  EXPECT_EQ(platform_.Log(), (Log{"update", "add", "update", "update"}));
  EXPECT_TRUE(lost->IconAdded() && kept->IconAdded());
  EXPECT_FALSE(hidden->IconAdded());
  platform_.Clear();
  hidden->SetVisible(true);  // added again once shown
  EXPECT_EQ(platform_.Log(), (Log{"add"}));
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
  EXPECT_EQ(calls[0].view.tip, "cp:Sonalix");
  EXPECT_EQ(calls[1].view.tip, "");  // stored without a tip: none, not the constructor's
  EXPECT_EQ(NewTray()->TipHelp(), "TipHelp");
}

}  // namespace
}  // namespace snx::testing
