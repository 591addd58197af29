#include "urllink/core/urllink.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/unit/fake_control_parent.h"
#include "tests/unit/urllink/fake_link_desktop.h"

namespace snx {
namespace {

class URLLinkTest : public testing::Test {
 protected:
  void SetUp() override {
    link_->SetBounds(10, 10, 0, 0);
    link_->SetCaption("link text");  // 63 x 11 once on its parent
    link_->SetParent(&parent_);
  }
  std::size_t Repaints() const { return parent_.invalidated.size(); }
  // The pointer moves over the link, as the window reports it.
  void MoveTo(int x, int y) {
    desktop_.pointer = {x, y};
    parent_.MouseMoved({}, 15, 15);
  }

  FakeDesktop desktop_;
  FakeControlParent parent_;
  std::unique_ptr<TURLLink> link_ = std::make_unique<TURLLink>(nullptr, desktop_);
};

TEST_F(URLLinkTest, ExitPutsBackTheColourOfEntryWhateverChangedInBetween) {
  link_->Font().SetColor(clWhite);
  parent_.MouseMoved({}, 15, 15);
  EXPECT_EQ(link_->Font().Color(), clRed);

  link_->SetLinkColor(clBlue);  // shows from the next entry on
  EXPECT_EQ(link_->Font().Color(), clRed);
  link_->Font().SetColor(clBlack);  // set by other code while hovered
  parent_.MouseLeft();
  EXPECT_EQ(link_->Font().Color(), clWhite);

  parent_.MouseMoved({}, 15, 15);
  EXPECT_EQ(link_->Font().Color(), clBlue);
  parent_.MouseLeft();
  EXPECT_EQ(link_->Font().Color(), clWhite);
}

TEST_F(URLLinkTest, HintShowsOncePerHoverAtThePointerOfTheFirstMove) {
  link_->SetLink("http://sonalix.example.org/");  // 27 bytes: 189 pixels
  link_->SetCaption("the caption is not what the hint shows");
  TFont font;
  font.SetName("Hint Face");
  font.SetHeight(-12);
  link_->SetHintFormFont(font);

  MoveTo(100, 200);
  MoveTo(130, 210);
  MoveTo(140, 220);
  const std::vector<std::string> shown = {"color " + std::to_string(clInfoBk), "bounds 115,215 195x15 in Hint Face",
                                          "show", "text 2,2 http://sonalix.example.org/"};
  EXPECT_EQ(desktop_.hint_log, shown);

  parent_.MouseLeft();
  EXPECT_EQ(desktop_.hint_log.back(), "hide");
  desktop_.hint_log.clear();
  MoveTo(300, 400);  // the next hover shows it again, where the pointer now is
  EXPECT_EQ(desktop_.hint_log.at(1), "bounds 315,415 195x15 in Hint Face");
}

TEST_F(URLLinkTest, LeftPressHidesTheHintAndTheNextMoveShowsItAgain) {
  link_->SetHintOffsetX(-5);
  link_->SetHintOffsetY(30);
  MoveTo(100, 200);
  parent_.MousePressed(TMouseButton::mbLeft, TShiftState(TShiftMember::ssLeft), 15, 15);
  EXPECT_EQ(desktop_.hint_log.back(), "hide");
  EXPECT_EQ(link_->Font().Color(), clRed);  // still hovered
  desktop_.hint_log.clear();
  MoveTo(50, 60);
  EXPECT_EQ(desktop_.hint_log.at(1), "bounds 45,90 55x14 in MS Sans Serif");
}

TEST_F(URLLinkTest, WithoutHintsTheColourStillSwapsAndNoWindowShows) {
  link_->SetEnableShowHint(false);
  parent_.MouseMoved({}, 15, 15);
  MoveTo(120, 220);
  EXPECT_EQ(link_->Font().Color(), clRed);
  parent_.MousePressed(TMouseButton::mbLeft, {}, 15, 15);
  parent_.MouseLeft();
  EXPECT_EQ(link_->Font().Color(), clBlue);
  EXPECT_TRUE(desktop_.hint_log.empty());
}

struct TargetCase {
  TURLtype type;
  std::string link;
  std::string target;
};

class URLLinkTargetTest : public URLLinkTest, public testing::WithParamInterface<TargetCase> {};

TEST_P(URLLinkTargetTest, LeftPressHandsTheTargetToTheShellExactly) {
  link_->SetURLtype(GetParam().type);
  if (GetParam().link != "http://") link_->SetLink(GetParam().link);
  parent_.MousePressed(TMouseButton::mbLeft, {}, 15, 15);
  EXPECT_EQ(desktop_.opened, (std::vector<std::string>{"OPEN|" + GetParam().target + "|||5"}));
}

INSTANTIATE_TEST_SUITE_P(
    Types, URLLinkTargetTest,
    testing::Values(TargetCase{TURLtype::tpURL, "http://", "http://"},
                    TargetCase{TURLtype::tpMAIL, "info@sonalix.example.org", "mailto:info@sonalix.example.org"},
                    TargetCase{TURLtype::tpURL, "mailto:info@sonalix.example.org", "mailto:info@sonalix.example.org"},
                    TargetCase{TURLtype::tpMAIL, "", "mailto:"},
                    TargetCase{TURLtype::tpURL, "http://x.example.org/a b?c=\"d\"&e",
                               "http://x.example.org/a b?c=\"d\"&e"}));

TEST_F(URLLinkTest, ANewLinkIsABlueHandPointerToHttpWithHints) {
  TURLLink fresh(nullptr, desktop_);
  EXPECT_EQ(fresh.Cursor(), TCursor::crHandPoint);
  EXPECT_EQ(fresh.URLType(), TURLtype::tpURL);
  EXPECT_EQ(fresh.Link(), "http://");
  EXPECT_EQ(fresh.Font().Color(), clBlue);
  EXPECT_EQ(fresh.LinkColor(), clRed);
  EXPECT_EQ(fresh.HintFormColor(), clInfoBk);
  EXPECT_EQ(fresh.HintOffsetX(), 15);
  EXPECT_EQ(fresh.HintOffsetY(), 15);
  EXPECT_TRUE(fresh.EnableShowHint());
}

TEST_F(URLLinkTest, OtherButtonsRepaintAndOpenNothing) {
  MoveTo(100, 200);  // already hovered: the entry's repaint is not the press's
  for (TMouseButton button : {TMouseButton::mbRight, TMouseButton::mbMiddle}) {
    const std::size_t before = Repaints();
    parent_.MousePressed(button, {}, 15, 15);
    EXPECT_GT(Repaints(), before);
  }
  EXPECT_TRUE(desktop_.opened.empty());
}

// Each own property: set to its current value, then to a new one.
struct SetterCase {
  const char* name;
  std::function<void(TURLLink&)> same;
  std::function<void(TURLLink&)> other;
};

class URLLinkSetterTest : public URLLinkTest, public testing::WithParamInterface<SetterCase> {};

TEST_P(URLLinkSetterTest, RepaintsOnlyWhenTheValueChanges) {
  const std::size_t before = Repaints();
  GetParam().same(*link_);
  EXPECT_EQ(Repaints(), before);
  GetParam().other(*link_);
  EXPECT_GT(Repaints(), before);
}

INSTANTIATE_TEST_SUITE_P(Properties, URLLinkSetterTest,
                         testing::Values(SetterCase{"URLType", [](TURLLink& l) { l.SetURLtype(TURLtype::tpURL); },
                                                    [](TURLLink& l) { l.SetURLtype(TURLtype::tpMAIL); }},
                                         SetterCase{"Link", [](TURLLink& l) { l.SetLink(std::string("http:") + "//"); },
                                                    [](TURLLink& l) { l.SetLink("http://a"); }},
                                         SetterCase{"LinkColor", [](TURLLink& l) { l.SetLinkColor(clRed); },
                                                    [](TURLLink& l) { l.SetLinkColor(clWhite); }},
                                         SetterCase{"HintFormColor", [](TURLLink& l) { l.SetHintFormColor(clInfoBk); },
                                                    [](TURLLink& l) { l.SetHintFormColor(clWindow); }},
                                         SetterCase{"HintOffsetX", [](TURLLink& l) { l.SetHintOffsetX(15); },
                                                    [](TURLLink& l) { l.SetHintOffsetX(-15); }},
                                         SetterCase{"HintOffsetY", [](TURLLink& l) { l.SetHintOffsetY(15); },
                                                    [](TURLLink& l) { l.SetHintOffsetY(16); }},
                                         SetterCase{"EnableShowHint", [](TURLLink& l) { l.SetEnableShowHint(true); },
                                                    [](TURLLink& l) { l.SetEnableShowHint(false); }},
                                         SetterCase{"HintFormFont",
                                                    [](TURLLink& l) { l.SetHintFormFont(l.HintFormFont()); },
                                                    [](TURLLink& l) { l.SetHintFormFont(TFont()); }}),
                         [](const testing::TestParamInfo<SetterCase>& param) { return std::string(param.param.name); });

TEST_F(URLLinkTest, HintFormFontIsCopiedNotShared) {
  TFont font;
  font.SetName("First");
  link_->SetHintFormFont(font);
  font.SetName("Second");
  EXPECT_EQ(link_->HintFormFont().Name(), "First");
  EXPECT_NE(&link_->HintFormFont(), &font);
}

}  // namespace
}  // namespace snx
