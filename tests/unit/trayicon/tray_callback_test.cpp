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

  TTrayIcon* tray_ = ShownTray();
  TPopupMenu* menu_ = new TPopupMenu(owner_.get());
};

TEST_F(CallbackTest, EachNotificationBecomesItsEvent) {
  const std::pair<std::intptr_t, const char*> cases[] = {
      {0x200, "move at 640,700"}, {0x201, "down left at 640,700"},   {0x202, "up left at 640,700"},
      {0x203, "dblclick"},        {0x204, "down right at 640,700"},  {0x205, "up right at 640,700"},
      {0x206, nullptr},           {0x207, "down middle at 640,700"}, {0x208, "up middle at 640,700"},
      {0x209, nullptr},           {0x402, "balloon show"},           {0x403, "balloon hide"},
      {0x404, "balloon timeout"}, {0x405, "balloon click"},          {0x401, nullptr}};
  for (auto [notification, event] : cases) {
    platform_.Clear();
    Send(*tray_, notification);
    EXPECT_EQ(platform_.Log(), event ? std::vector<std::string>{event} : std::vector<std::string>{}) << notification;
  }
}

TEST_F(CallbackTest, PressesWithALinkedMenuBringTheFormForwardAndOpenItAtTheCursor) {
  tray_->SetLBPopupMenu(menu_);
  tray_->SetRBPopupMenu(menu_);
  for (std::intptr_t n : {0x204, 0x205, 0x201}) Send(*tray_, n);
  EXPECT_THAT(platform_.Log(),
              ElementsAre("foreground form", "process messages", "popup Menu at 640,700", "up right at 640,700",
                          "foreground form", "process messages", "popup Menu at 640,700"));
  tray_->SetAutoPopup(false);
  platform_.Clear();
  Send(*tray_, 0x204);
  EXPECT_THAT(platform_.Log(), ElementsAre("down right at 640,700"));
}

TEST_F(CallbackTest, UnknownIdentifiersAndDisabledIconsRaiseNothing) {
  TMessage stranger{kTrayCallbackMessage, 999, 0x201, 0};
  CallbackWindow->CallbackWndProc(stranger);
  tray_->SetEnabled(false);
  tray_->SetRBPopupMenu(menu_);
  for (std::intptr_t n : {0x200, 0x201, 0x202, 0x203, 0x204, 0x402}) Send(*tray_, n);
  EXPECT_THAT(platform_.Log(), IsEmpty());
}

TEST_F(CallbackTest, FormActiveByMouseupBringsTheActiveFormForwardBeforeEachRelease) {
  tray_->SetFormActiveByMouseup(true);
  for (std::intptr_t n : {0x201, 0x208}) Send(*tray_, n);
  EXPECT_THAT(platform_.Log(), ElementsAre("down left at 640,700", "foreground active form", "up middle at 640,700"));
}

// OnClick assigned, OnMouseUp not: the test ends the single-click waits.
class ClickTest : public CallbackTest {
 protected:
  ClickTest() {
    tray_->OnMouseUp = nullptr;
    tray_->OnMouseDown = nullptr;
    tray_->OnClick = [this](TObject*) { Event("click"); };
    platform_.double_click_time = 320;
  }
  void Click() {
    Send(*tray_, 0x201);
    Send(*tray_, 0x202);
  }
  void DoubleClick() {
    Click();
    Send(*tray_, 0x203);
    Send(*tray_, 0x202);
  }
};

TEST_F(ClickTest, ASingleClickIsRaisedOnceTheDoubleClickTimeAndFiftyMillisecondsHavePassed) {
  Click();
  EXPECT_THAT(platform_.Log(), IsEmpty());
  platform_.DeliverSingleClickEnds(1);
  EXPECT_THAT(platform_.Log(), ElementsAre("click"));
  EXPECT_THAT(platform_.OtherSleeps(), ElementsAre(370u));
}

TEST_F(ClickTest, ADoubleClickRaisesOnlyDblClickAndATripleOneClickOnce) {
  DoubleClick();
  platform_.DeliverSingleClickEnds(1);
  EXPECT_THAT(platform_.Log(), ElementsAre("dblclick"));
  platform_.Clear();
  DoubleClick();
  Click();
  platform_.DeliverSingleClickEnds(2);
  EXPECT_THAT(platform_.Log(), ElementsAre("dblclick", "click"));
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
  platform_.DeliverSingleClickEnds(2);
  EXPECT_THAT(platform_.Log(), ElementsAre("up", "DELETE"));
}

}  // namespace
}  // namespace snx::testing
