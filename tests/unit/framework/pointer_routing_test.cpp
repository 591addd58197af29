#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/controls.h"
#include "tests/unit/fake_control_parent.h"

namespace snx {
namespace {

class PointerRoutingTest : public testing::Test {
 protected:
  // A label that logs what reaches it.
  TLabel* Place(const std::string& name, int left, int width) {
    auto* label = new TLabel(&owner_);
    label->SetName(name);
    label->SetAutoSize(false);
    label->SetBounds(left, 0, width, 20);
    label->OnMouseEnter = [this, name](TObject*) { log_.push_back("enter " + name); };
    label->OnMouseLeave = [this, name](TObject*) { log_.push_back("leave " + name); };
    label->OnMouseMove = [this, name](TObject*, TShiftState, int x, int y) {
      log_.push_back("move " + name + " " + std::to_string(x) + "," + std::to_string(y));
    };
    label->OnMouseDown = [this, name](TObject*, TMouseButton, TShiftState, int x, int y) {
      log_.push_back("down " + name + " " + std::to_string(x) + "," + std::to_string(y));
    };
    label->SetParent(&parent_);
    return label;
  }

  FakeControlParent parent_;
  TComponent owner_{nullptr};
  std::vector<std::string> log_;
};

TEST_F(PointerRoutingTest, TheTopmostControlUnderThePointerIsEnteredAndLeft) {
  Place("a", 0, 50);
  TLabel* b = Place("b", 30, 50);  // placed later, so above a where they overlap
  parent_.MouseMoved({}, 10, 5);
  parent_.MouseMoved({}, 12, 6);
  parent_.MouseMoved({}, 40, 5);
  parent_.MouseMoved({}, 200, 5);
  parent_.MouseLeft();
  EXPECT_EQ(log_, (std::vector<std::string>{"enter a", "move a 10,5", "move a 12,6", "leave a", "enter b",
                                            "move b 10,5", "leave b"}));

  log_.clear();
  b->SetVisible(false);
  parent_.MouseMoved({}, 40, 5);
  parent_.MouseLeft();
  EXPECT_EQ(log_, (std::vector<std::string>{"enter a", "move a 40,5", "leave a"}));
}

TEST_F(PointerRoutingTest, PressGoesToTheControlThereEnteringItFirst) {
  Place("a", 0, 50);
  EXPECT_TRUE(parent_.MousePressed(TMouseButton::mbLeft, {}, 20, 7));
  EXPECT_FALSE(parent_.MousePressed(TMouseButton::mbLeft, {}, 60, 7));
  EXPECT_EQ(log_, (std::vector<std::string>{"enter a", "move a 20,7", "down a 20,7"}));
}

TEST_F(PointerRoutingTest, ControlGoneFromUnderThePointerIsNeverCalledAgain) {
  TLabel* a = Place("a", 0, 50);
  parent_.MouseMoved({}, 10, 5);
  delete a;
  parent_.MouseMoved({}, 11, 5);
  parent_.MouseLeft();
  EXPECT_EQ(log_, (std::vector<std::string>{"enter a", "move a 10,5"}));
  EXPECT_TRUE(parent_.Controls().empty());
}

}  // namespace
}  // namespace snx
