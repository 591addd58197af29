#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/unit/trayicon/fake_tray.h"
#include "trayicon/core/tray_icon.h"

namespace snx::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using enum TPointerAction;
using enum TMouseButton;

// A shown icon whose events write themselves into the platform's log.
class EventsTest : public TrayTest {
 protected:
  EventsTest() {
    menu_->SetName("Menu");
    tray_->OnMouseMove = [this](TObject*, TShiftState shift, int x, int y) {
      Event("move", shift.Empty() ? "" : "?", x, y);
    };
    tray_->OnMouseDown = [this](TObject*, TMouseButton b, TShiftState s, int x, int y) {
      Event("down", Button(b, s), x, y);
    };
    tray_->OnMouseUp = [this](TObject*, TMouseButton b, TShiftState s, int x, int y) {
      Event("up", Button(b, s), x, y);
    };
    tray_->OnDblClick = [this](TObject* s) { Event("dblclick", s == tray_ ? "" : "?"); };
    tray_->SetOnBalloonShow([this](TObject*) { Event("balloon show"); });
    tray_->SetOnBalloonHide([this](TObject*) { Event("balloon hide"); });
    tray_->SetOnBalloonTimeout([this](TObject*) { Event("balloon timeout"); });
    tray_->SetOnBalloonClick([this](TObject*) { Event("balloon click"); });
  }
  void Event(const std::string& what, const std::string& detail = "", int x = -1, int y = -1) {
    platform_.Log(what + (detail.empty() ? "" : " " + detail) +
                  (x < 0 ? "" : " at " + std::to_string(x) + "," + std::to_string(y)));
  }
  static std::string Button(TMouseButton button, TShiftState shift) {
    const auto i = static_cast<std::size_t>(button);
    const TShiftMember members[] = {TShiftMember::ssLeft, TShiftMember::ssRight, TShiftMember::ssMiddle};
    return std::string(i == 0 ? "left" : i == 1 ? "right" : "middle") + (shift == TShiftState(members[i]) ? "" : "?");
  }
  void Send(TPointerAction action, TMouseButton button = mbLeft) { platform_.Pointer(tray_->IconID(), action, button); }

  TTrayIcon* tray_ = ShownTray();
  TPopupMenu* menu_ = new TPopupMenu(owner_.get());
};

TEST_F(EventsTest, EachReportBecomesItsEvent) {
  const struct {
    TPointerAction action;
    TMouseButton button;
    const char* event;
  } pointer[] = {{paMove, mbLeft, "move at 640,700"},
                 {paPress, mbLeft, "down left at 640,700"},
                 {paRelease, mbLeft, "up left at 640,700"},
                 {paDoubleClick, mbLeft, "dblclick"},
                 {paPress, mbRight, "down right at 640,700"},
                 {paRelease, mbRight, "up right at 640,700"},
                 {paDoubleClick, mbRight, nullptr},
                 {paPress, mbMiddle, "down middle at 640,700"},
                 {paRelease, mbMiddle, "up middle at 640,700"},
                 {paDoubleClick, mbMiddle, nullptr}};
  for (const auto& c : pointer) {
    platform_.Clear();
    Send(c.action, c.button);
    EXPECT_EQ(platform_.Log(), c.event ? std::vector<std::string>{c.event} : std::vector<std::string>{})
        << static_cast<int>(c.action) << " " << static_cast<int>(c.button);
  }
  const std::pair<TBalloonEvent, const char*> balloon[] = {{TBalloonEvent::beShown, "balloon show"},
                                                           {TBalloonEvent::beHidden, "balloon hide"},
                                                           {TBalloonEvent::beTimedOut, "balloon timeout"},
                                                           {TBalloonEvent::beClicked, "balloon click"}};
  for (const auto& [event, logged] : balloon) {
    platform_.Clear();
    platform_.Balloon(tray_->IconID(), event);
    EXPECT_THAT(platform_.Log(), ElementsAre(logged));
  }
}

TEST_F(EventsTest, PressesWithALinkedMenuBringTheFormForwardAndOpenItAtThePointer) {
  // Each button its own menu, so that a press opening the other's shows.
  auto* left_menu = new TPopupMenu(owner_.get());
  left_menu->SetName("LeftMenu");
  tray_->SetLBPopupMenu(left_menu);
  tray_->SetRBPopupMenu(menu_);
  Send(paPress, mbRight);
  Send(paRelease, mbRight);
  Send(paPress, mbLeft);
  Send(paPress, mbMiddle);  // no menu for the middle button
  EXPECT_THAT(platform_.Log(), ElementsAre("foreground form", "process messages", "popup Menu at 640,700",
                                           "up right at 640,700", "foreground form", "process messages",
                                           "popup LeftMenu at 640,700", "down middle at 640,700"));
  tray_->SetAutoPopup(false);
  platform_.Clear();
  Send(paPress, mbRight);
  EXPECT_THAT(platform_.Log(), ElementsAre("down right at 640,700"));
}

// A host asking again, or the user clicking again, while the menu is brought
// up or open: one menu, and the next request after it opens the next.
TEST_F(EventsTest, RequestsWhileTheMenuIsBroughtUpOrOpenOpenNoOther) {
  tray_->SetRBPopupMenu(menu_);
  const auto again = [this] {
    Send(paPress, mbRight);
    Send(paRelease, mbRight);
  };
  platform_.during_process_messages = again;
  platform_.during_popup = again;
  Send(paPress, mbRight);
  EXPECT_THAT(platform_.Log(), ElementsAre("foreground form", "process messages", "up right at 640,700",
                                           "popup Menu at 640,700", "up right at 640,700"));
  platform_.Clear();
  Send(paPress, mbRight);
  EXPECT_THAT(platform_.Log(), ElementsAre("foreground form", "process messages", "popup Menu at 640,700"));
}

// A menu command that ends the icon: the popup's end touches no icon.
TEST_F(EventsTest, AnIconEndedByItsMenuLeavesNothingBehind) {
  tray_->SetRBPopupMenu(menu_);
  platform_.during_popup = [this] { delete tray_; };
  Send(paPress, mbRight);
  EXPECT_THAT(platform_.Log(), ElementsAre("foreground form", "process messages", "popup Menu at 640,700", "remove"));
}

TEST_F(EventsTest, DisabledIconsRaiseNothing) {
  tray_->SetEnabled(false);
  tray_->SetRBPopupMenu(menu_);
  for (TPointerAction action : {paMove, paPress, paRelease, paDoubleClick}) Send(action);
  Send(paPress, mbRight);
  platform_.Balloon(tray_->IconID(), TBalloonEvent::beShown);
  EXPECT_THAT(platform_.Log(), IsEmpty());
}

TEST_F(EventsTest, FormActiveByMouseupBringsTheActiveFormForwardBeforeEachRelease) {
  tray_->SetFormActiveByMouseup(true);
  Send(paPress);
  Send(paRelease, mbMiddle);
  EXPECT_THAT(platform_.Log(), ElementsAre("down left at 640,700", "foreground active form", "up middle at 640,700"));
}

// OnClick assigned, OnMouseUp not: the test runs the single-click waits' ends.
class ClickTest : public EventsTest {
 protected:
  ClickTest() {
    tray_->OnMouseUp = nullptr;
    tray_->OnMouseDown = nullptr;
    tray_->OnClick = [this](TObject* sender) { Event(sender == tray_ ? "click" : "click?"); };
    platform_.double_click_time = 320;
  }
  void Click(TTrayIcon* tray = nullptr) {
    const std::int32_t id = (tray != nullptr ? tray : tray_)->IconID();
    platform_.Pointer(id, paPress);
    platform_.Pointer(id, paRelease);
  }
  void DoubleClick() {
    Click();
    Send(paDoubleClick);
    Send(paRelease);
  }
};

TEST_F(ClickTest, ASingleClickIsRaisedOnceTheDoubleClickTimeAndFiftyMillisecondsHavePassed) {
  Click();
  EXPECT_THAT(platform_.Log(), IsEmpty());
  platform_.RunPosted(1);
  EXPECT_THAT(platform_.Log(), ElementsAre("click"));
  EXPECT_THAT(platform_.OtherSleeps(), ElementsAre(370u));
}

TEST_F(ClickTest, ADoubleClickRaisesOnlyDblClickEvenWhenLateAndATripleOneClickOnce) {
  DoubleClick();
  platform_.RunPosted(1);
  EXPECT_THAT(platform_.Log(), ElementsAre("dblclick"));
  platform_.Clear();
  DoubleClick();
  Click();
  platform_.RunPosted(2);
  EXPECT_THAT(platform_.Log(), ElementsAre("dblclick", "click"));
  // A double click reported only after the wait has ended: its release
  // starts no wait of its own, so the next wait is the next click's.
  platform_.Clear();
  Click();
  platform_.RunPosted(1);
  Send(paDoubleClick);
  Send(paRelease);
  Click();
  platform_.RunPosted(1);
  EXPECT_THAT(platform_.Log(), ElementsAre("click", "dblclick", "click"));
}

TEST_F(ClickTest, OnMouseUpDisablingOrTheIconGoingEachKeepTheClickFromBeingRaised) {
  tray_->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) { Event("up"); };
  Click();
  EXPECT_THAT(platform_.OtherSleeps(), IsEmpty());  // no wait was started
  tray_->OnMouseUp = nullptr;
  Click();
  tray_->SetEnabled(false);
  tray_->SetEnabled(true);
  Click();
  delete tray_;
  platform_.RunPosted(2);
  EXPECT_THAT(platform_.Log(), ElementsAre("up", "remove"));
}

// Each icon tells its own clicks: a report for another icon during the wait
// takes nothing from the clicked one.
TEST_F(ClickTest, AClickStaysWithItsIconWhateverTheAreaReportsMeanwhile) {
  TTrayIcon* other = ShownTray();
  other->OnClick = [this](TObject*) { Event("other click"); };
  Click();
  platform_.Pointer(other->IconID(), paMove);
  platform_.RunPosted(1);
  Click();
  platform_.RunPosted(1);
  EXPECT_THAT(platform_.Log(), ElementsAre("click", "click"));
}

}  // namespace
}  // namespace snx::testing
