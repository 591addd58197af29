#include "trayicon/core/tray_callback.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/unit/trayicon/fake_tray.h"

namespace snx::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A shown icon whose events write themselves into the platform's log.
class CallbackTest : public TrayTest {
 protected:
  CallbackTest() {
    menu->SetName("Menu");
    tray->OnMouseMove = [this](TObject*, TShiftState shift, int x, int y) {
      Event("move", shift.Empty() ? "" : "?", x, y);
    };
    tray->OnMouseDown = [this](TObject*, TMouseButton b, TShiftState s, int x, int y) { Event("down", Button(b, s), x, y); };
    tray->OnMouseUp = [this](TObject*, TMouseButton b, TShiftState s, int x, int y) { Event("up", Button(b, s), x, y); };
    tray->OnDblClick = [this](TObject* s) { Event("dblclick", s == tray ? "" : "?"); };
    tray->SetOnBalloonShow([this](TObject*) { Event("balloon show"); });
    tray->SetOnBalloonHide([this](TObject*) { Event("balloon hide"); });
    tray->SetOnBalloonTimeout([this](TObject*) { Event("balloon timeout"); });
    tray->SetOnBalloonClick([this](TObject*) { Event("balloon click"); });
  }
  void Event(const std::string& what, const std::string& detail = "", int x = -1, int y = -1) {
    platform.Log(what + (detail.empty() ? "" : " " + detail) +
                 (x < 0 ? "" : " at " + std::to_string(x) + "," + std::to_string(y)));
  }
  static std::string Button(TMouseButton button, TShiftState shift) {
    const auto i = static_cast<std::size_t>(button);
    const TShiftMember members[] = {TShiftMember::ssLeft, TShiftMember::ssRight, TShiftMember::ssMiddle};
    return std::string(i == 0 ? "left" : i == 1 ? "right" : "middle") + (shift == TShiftState(members[i]) ? "" : "?");
  }

  TTrayIcon* tray = ShownTray();
  TPopupMenu* menu = new TPopupMenu(owner.get());
};

TEST_F(CallbackTest, EachNotificationBecomesItsEvent) {
  const std::pair<std::intptr_t, const char*> cases[] = {
      {0x200, "move at 640,700"},  {0x201, "down left at 640,700"},   {0x202, "up left at 640,700"},
      {0x203, "dblclick"},         {0x204, "down right at 640,700"},  {0x205, "up right at 640,700"},
      {0x206, nullptr},            {0x207, "down middle at 640,700"}, {0x208, "up middle at 640,700"},
      {0x209, nullptr},            {0x402, "balloon show"},           {0x403, "balloon hide"},
      {0x404, "balloon timeout"},  {0x405, "balloon click"},          {0x401, nullptr}};
  for (auto [notification, event] : cases) {
    platform.Clear();
    Send(*tray, notification);
    EXPECT_EQ(platform.Log(), event ? std::vector<std::string>{event} : std::vector<std::string>{}) << notification;
  }
}

TEST_F(CallbackTest, PressesWithALinkedMenuBringTheFormForwardAndOpenItAtTheCursor) {
  tray->SetLBPopupMenu(menu);
  tray->SetRBPopupMenu(menu);
  for (std::intptr_t n : {0x204, 0x205, 0x201}) Send(*tray, n);
  EXPECT_THAT(platform.Log(), ElementsAre("foreground form", "process messages", "popup Menu at 640,700",
                                          "up right at 640,700", "foreground form", "process messages",
                                          "popup Menu at 640,700"));
  tray->SetAutoPopup(false);
  platform.Clear();
  Send(*tray, 0x204);
  EXPECT_THAT(platform.Log(), ElementsAre("down right at 640,700"));
}

TEST_F(CallbackTest, UnknownIdentifiersAndDisabledIconsRaiseNothing) {
  TMessage stranger{kTrayCallbackMessage, 999, 0x201, 0};
  CallbackWindow->CallbackWndProc(stranger);
  tray->SetEnabled(false);
  tray->SetRBPopupMenu(menu);
  for (std::intptr_t n : {0x200, 0x201, 0x202, 0x203, 0x204, 0x402}) Send(*tray, n);
  EXPECT_THAT(platform.Log(), IsEmpty());
}

TEST_F(CallbackTest, FormActiveByMouseupBringsTheActiveFormForwardBeforeEachRelease) {
  tray->SetFormActiveByMouseup(true);
  for (std::intptr_t n : {0x201, 0x208}) Send(*tray, n);
  EXPECT_THAT(platform.Log(),
              ElementsAre("down left at 640,700", "foreground active form", "up middle at 640,700"));
}

// OnClick assigned, OnMouseUp not: the test ends the single-click waits.
class ClickTest : public CallbackTest {
 protected:
  ClickTest() {
    tray->OnMouseUp = nullptr;
    tray->OnMouseDown = nullptr;
    tray->OnClick = [this](TObject*) { Event("click"); };
    platform.double_click_time = 320;
  }
  void Click() {
    Send(*tray, 0x201);
    Send(*tray, 0x202);
  }
  void DoubleClick() {
    Click();
    Send(*tray, 0x203);
    Send(*tray, 0x202);
  }
};

TEST_F(ClickTest, ASingleClickIsRaisedOnceTheDoubleClickTimeAndFiftyMillisecondsHavePassed) {
  Click();
  EXPECT_THAT(platform.Log(), IsEmpty());
  platform.DeliverSingleClickEnds(1);
  EXPECT_THAT(platform.Log(), ElementsAre("click"));
  EXPECT_THAT(platform.OtherSleeps(), ElementsAre(370u));
}

TEST_F(ClickTest, ADoubleClickRaisesOnlyDblClickAndATripleOneClickOnce) {
  DoubleClick();
  platform.DeliverSingleClickEnds(1);
  EXPECT_THAT(platform.Log(), ElementsAre("dblclick"));
  platform.Clear();
  DoubleClick();
  Click();
  platform.DeliverSingleClickEnds(2);
  EXPECT_THAT(platform.Log(), ElementsAre("dblclick", "click"));
}

TEST_F(ClickTest, OnMouseUpDisablingOrTheIconGoingEachKeepTheClickFromBeingRaised) {
  tray->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) { Event("up"); };
  Click();
  EXPECT_THAT(platform.OtherSleeps(), IsEmpty());  // no wait was started
  tray->OnMouseUp = nullptr;
  Click();
  tray->SetEnabled(false);
  tray->SetEnabled(true);
  Click();
  delete tray;
  platform.DeliverSingleClickEnds(2);
  EXPECT_THAT(platform.Log(), ElementsAre("up", "DELETE"));
}

}  // namespace
}  // namespace snx::testing
