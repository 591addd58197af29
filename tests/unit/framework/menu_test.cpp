#include "framework/core/menu.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "framework/core/application.h"
#include "framework/core/form_description.h"
#include "framework/core/published.h"
#include "framework/core/reader.h"

namespace snx {
namespace {

// The captions of a menu's items, a submenu's in brackets after its own.
std::string Rows(const TMenuItem& parent) {
  std::string rows;
  for (int i = 0; i < parent.Count(); ++i) {
    const TMenuItem& item = *parent.Items(i);
    if (!rows.empty()) rows += " ";
    rows += item.Caption();
    if (item.Count() > 0) rows += "[" + Rows(item) + "]";
  }
  return rows;
}

// Reads what a menu holds at the moment it is shown.
class MenuApplication final : public TApplication {
 public:
  std::string ExeName() const override { return "sonalix"; }
  void ProcessMessages() override {}
  void Terminate() override {}
  TMenuItem* TrackPopupMenu(const TPopupMenu& menu, int, int) override {
    shown.push_back(Rows(menu.Items()));
    return nullptr;
  }
  std::vector<std::string> shown;

 protected:
  void ShowErrorBox(const std::string&, const std::string&) override {}
};

class MenuTest : public testing::Test {
 protected:
  TMenuItem* Item(const char* caption, TMenuItem* parent = nullptr) {
    auto* item = new TMenuItem(&owner_);
    item->SetCaption(caption);
    (parent != nullptr ? *parent : menu_.Items()).Add(item);
    return item;
  }

  MenuApplication application_;
  TComponent owner_{&application_};
  TPopupMenu menu_{&owner_};
};

TEST_F(MenuTest, InsertPlacesAnItemBeforeTheOneAtItsIndexAndTakesItFromItsParent) {
  TMenuItem* start = Item("開始(&S)");
  TMenuItem* stop = Item("停止(&P)");
  TMenuItem* input = Item("入力(&I)");
  TMenuItem* first = Item("USB", input);
  TMenuItem& items = menu_.Items();
  items.Insert(2, Item("-"));
  items.Insert(0, first);
  EXPECT_EQ(Rows(items), "USB 開始(&S) 停止(&P) - 入力(&I)");
  EXPECT_EQ(first->Parent(), &items);
  EXPECT_EQ(input->Count(), 0);
  items.Insert(items.Count() - 1, start);  // within its own parent, counted without it: to the end
  EXPECT_EQ(Rows(items), "USB 停止(&P) - 入力(&I) 開始(&S)");
  EXPECT_EQ(items.IndexOf(stop), 1);
  EXPECT_EQ(input->IndexOf(stop), -1);
}

TEST_F(MenuTest, AnInsertOutOfRangeRaisesAndLeavesTheItemWhereItWas) {
  TMenuItem* input = Item("入力(&I)");
  TMenuItem* device = Item("USB", input);
  EXPECT_THROW(menu_.Items().Insert(3, device), std::out_of_range);
  EXPECT_THROW(menu_.Items().Insert(-1, device), std::out_of_range);
  EXPECT_THROW(input->Insert(1, device), std::out_of_range);
  EXPECT_EQ(device->Parent(), input);
  EXPECT_EQ(Rows(menu_.Items()), "入力(&I)[USB]");
}

TEST_F(MenuTest, DeleteTakesAnItemOutAndClearFreesASubmenusItems) {
  TMenuItem* input = Item("入力(&I)");
  Item("USB", input);
  TMenuItem* line = Item("Line", input);
  Item("Mic", input);
  input->Delete(1);
  EXPECT_EQ(Rows(*input), "USB Mic");
  EXPECT_EQ(line->Parent(), nullptr);
  EXPECT_THROW(input->Delete(2), std::out_of_range);

  const int owned = owner_.ComponentCount();
  input->Clear();
  EXPECT_EQ(input->Count(), 0);
  EXPECT_EQ(owner_.ComponentCount(), owned - 2) << "the cleared items were not freed";
  EXPECT_EQ(line->Parent(), nullptr);
}

TEST_F(MenuTest, OnPopupRunsBeforeTheMenuShowsSoThatItsItemsCanBeRebuilt) {
  Item("開始(&S)");
  TMenuItem* input = Item("入力(&I)");
  int opened = 0;
  menu_.OnPopup = [&](TObject* sender) {
    EXPECT_EQ(sender, &menu_);
    ++opened;
    input->Clear();
    for (int i = 0; i < opened; ++i) Item(i == 0 ? "USB" : "Line", input);
  };
  menu_.Popup(10, 10);
  menu_.Popup(10, 10);
  EXPECT_EQ(application_.shown, (std::vector<std::string>{"開始(&S) 入力(&I)[USB]", "開始(&S) 入力(&I)[USB Line]"}));
}

// A root with one handler, as a form whose description binds OnPopup.
class MenuOwner final : public TComponent {
 public:
  using TComponent::TComponent;
  void PopupMenuPopup(TObject*) { ++popups; }
  int popups = 0;
};

TEST_F(MenuTest, ADescriptionBindsOnPopupToItsRootsHandler) {
  MenuOwner root(&application_);
  const ObjectDescription description = ParseFormDescription(
      "object Root: TMenuOwner\n"
      "  object PopupMenu: TPopupMenu\n"
      "    OnPopup = PopupMenuPopup\n"
      "  end\n"
      "end\n");
  static const TPublished<MenuOwner> kPublished{{"PopupMenuPopup", &MenuOwner::PopupMenuPopup}};
  TReader(description, {{"TPopupMenu", Creates<TPopupMenu>()}}, kPublished.For(root)).ReadRootComponent(&root);
  auto* menu = dynamic_cast<TPopupMenu*>(root.FindComponent("PopupMenu"));
  ASSERT_NE(menu, nullptr);
  menu->DoPopup();
  EXPECT_EQ(root.popups, 1);
}

struct LiteralCase {
  const char* text;
  const char* caption;
};

class LiteralCaptionTest : public testing::TestWithParam<LiteralCase> {};

TEST_P(LiteralCaptionTest, ShowsTheTextAsItIs) {
  EXPECT_EQ(LiteralCaption(GetParam().text), GetParam().caption);
  TMenuItem item(nullptr);
  item.SetCaption(LiteralCaption(GetParam().text));
  EXPECT_FALSE(item.IsSeparator());
}

INSTANTIATE_TEST_SUITE_P(Texts, LiteralCaptionTest,
                         testing::Values(LiteralCase{"Mic", "Mic"}, LiteralCase{"R&B Mic", "R&&B Mic"},
                                         LiteralCase{"&&", "&&&&"}, LiteralCase{"A&", "A&&"},
                                         LiteralCase{"マイク & ライン", "マイク && ライン"}, LiteralCase{"-", "&-"},
                                         LiteralCase{"--", "--"}, LiteralCase{"", ""}));

}  // namespace
}  // namespace snx
