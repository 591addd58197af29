#include "framework/core/controls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/unit/fake_control_parent.h"

namespace snx {
namespace {

class PointerRoutingTest : public testing::Test {
 protected:
  // A label that logs what reaches it.
  TLabel* Place(const std::string& name, int left, int width) {
    auto* label = new TLabel(&owner);
    label->SetName(name);
    label->SetAutoSize(false);
    label->SetBounds(left, 0, width, 20);
    label->OnMouseEnter = [this, name](TObject*) { log.push_back("enter " + name); };
    label->OnMouseLeave = [this, name](TObject*) { log.push_back("leave " + name); };
    label->OnMouseMove = [this, name](TObject*, TShiftState, int x, int y) {
      log.push_back("move " + name + " " + std::to_string(x) + "," + std::to_string(y));
    };
    label->OnMouseDown = [this, name](TObject*, TMouseButton, TShiftState, int x, int y) {
      log.push_back("down " + name + " " + std::to_string(x) + "," + std::to_string(y));
    };
    label->SetParent(&parent);
    return label;
  }

  FakeControlParent parent;
  TComponent owner{nullptr};
  std::vector<std::string> log;
};

TEST_F(PointerRoutingTest, TheTopmostControlUnderThePointerIsEnteredAndLeft) {
  Place("a", 0, 50);
  TLabel* b = Place("b", 30, 50);  // placed later, so above a where they overlap
  parent.MouseMoved({}, 10, 5);
  parent.MouseMoved({}, 12, 6);
  parent.MouseMoved({}, 40, 5);
  parent.MouseMoved({}, 200, 5);
  parent.MouseLeft();
  EXPECT_EQ(log, (std::vector<std::string>{"enter a", "move a 10,5", "move a 12,6", "leave a", "enter b",
                                           "move b 10,5", "leave b"}));

  log.clear();
  b->SetVisible(false);
  parent.MouseMoved({}, 40, 5);
  parent.MouseLeft();
  EXPECT_EQ(log, (std::vector<std::string>{"enter a", "move a 40,5", "leave a"}));
}

TEST_F(PointerRoutingTest, PressGoesToTheControlThereEnteringItFirst) {
  Place("a", 0, 50);
  EXPECT_TRUE(parent.MousePressed(TMouseButton::mbLeft, {}, 20, 7));
  EXPECT_FALSE(parent.MousePressed(TMouseButton::mbLeft, {}, 60, 7));
  EXPECT_EQ(log, (std::vector<std::string>{"enter a", "move a 20,7", "down a 20,7"}));
}

TEST_F(PointerRoutingTest, ControlGoneFromUnderThePointerIsNeverCalledAgain) {
  TLabel* a = Place("a", 0, 50);
  parent.MouseMoved({}, 10, 5);
  delete a;
  parent.MouseMoved({}, 11, 5);
  parent.MouseLeft();
  EXPECT_EQ(log, (std::vector<std::string>{"enter a", "move a 10,5"}));
  EXPECT_TRUE(parent.Controls().empty());
}

}  // namespace
}  // namespace snx
