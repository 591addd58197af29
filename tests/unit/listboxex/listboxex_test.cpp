#include "listboxex/core/listboxex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/object.h"
#include "framework/core/reader.h"
#include "tests/unit/fake_control_parent.h"

namespace snx {
namespace {

// A list window as the system's behaves: it keeps UTF-16 items, sorted when
// asked, and reports errors for indexes that name no item. Every message
// goes through the list box's Dispatch. Text is `|font height|` pixels a
// character wide.
class FakeListWindow final : public TListWindow {
 public:
  FakeListWindow(TCustomListBox& list, bool sorted) : list_(list), sorted_(sorted) {}

  std::intptr_t Send(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) override {
    TMessage m{message, wparam, lparam, 0};
    list_.Dispatch(m);
    return m.result;
  }

  std::intptr_t Default(const TMessage& m) override {
    const auto index = static_cast<std::intptr_t>(m.w_param);
    const auto size = static_cast<std::intptr_t>(items.size());
    const auto text = [&] { return std::u16string(reinterpret_cast<const char16_t*>(m.l_param)); };
    switch (m.msg) {
      case lbAddString:
      case lbAddFile:
        return reject != 0 ? reject : Add(text());
      case lbInsertString: {
        if (reject != 0) return reject;
        const std::intptr_t at = index == -1 ? size : index;
        if (at < 0 || at > size) return kLbErr;
        items.insert(items.begin() + at, text());
        return at;
      }
      case lbDeleteString:
        if (index < 0 || index >= size) return kLbErr;
        items.erase(items.begin() + index);
        return size - 1;
      case lbResetContent:
        items.clear();
        return 0;
      case lbGetCount:
        return size;
      case lbGetTextLen:
        return index < 0 || index >= size ? kLbErr : static_cast<std::intptr_t>(items[index].size());
      case lbGetText: {
        if (index < 0 || index >= size) return kLbErr;
        const std::u16string& item = items[static_cast<std::size_t>(index)];
        std::copy(item.c_str(), item.c_str() + item.size() + 1, reinterpret_cast<char16_t*>(m.l_param));
        return static_cast<std::intptr_t>(item.size());
      }
      case lbSetHorizontalExtent:
        extents.push_back(static_cast<int>(m.w_param));
        return 0;
      case lbDir: {
        std::intptr_t last = kLbErr;
        for (const std::u16string& name : directory) last = Add(name);
        return last;
      }
      default:
        return 0;
    }
  }

  int TextWidth(std::u16string_view text) override {
    ++measured;
    return static_cast<int>(text.size()) * char_width_;
  }
  void SetFont(const TFont& font) override { char_width_ = std::abs(font.Height()); }
  void SetBounds(const TRect&) override {}

  std::vector<std::u16string> items;
  std::vector<std::u16string> directory;  // the names LB_DIR finds
  std::vector<int> extents;               // every LB_SETHORIZONTALEXTENT
  int measured = 0;
  std::intptr_t reject = 0;  // when set, adds and inserts fail with it

 private:
  std::intptr_t Add(std::u16string text) {
    const auto at = (sorted_ ? std::upper_bound(items.begin(), items.end(), text) : items.end()) - items.begin();
    items.insert(items.begin() + at, std::move(text));
    return at;
  }

  TCustomListBox& list_;
  bool sorted_;
  int char_width_ = 0;
};

class ListParent : public FakeControlParent {
 public:
  std::unique_ptr<TListWindow> CreateListWindow(TCustomListBox& list) override {
    auto made = std::make_unique<FakeListWindow>(list, list.Sorted());
    window = made.get();
    ++windows_made;
    return made;
  }
  FakeListWindow* window = nullptr;
  int windows_made = 0;
};

// Item texts are 10 pixels a character: "abcd" is 40 wide.
class ListBoxExTest : public testing::Test {
 protected:
  void SetUp() override {
    list_->Font().SetHeight(-10);
    list_->SetParent(&parent_);
  }
  std::vector<int>& Extents() { return parent_.window->extents; }
  std::vector<std::u16string>& Items() { return parent_.window->items; }

  ListParent parent_;
  std::unique_ptr<TListBoxEx> list_ = std::make_unique<TListBoxEx>(nullptr);
};

TEST_F(ListBoxExTest, NewListHasNoExtentUntilAnItemIsWiderThanNothing) {
  list_->Items().Add("");
  list_->Items().Add("");
  EXPECT_TRUE(Extents().empty());
  list_->Items().Add("abc");
  EXPECT_EQ(Extents(), (std::vector<int>{35}));
}

TEST_F(ListBoxExTest, AddsSendOnlyWhenTheWidestGrows) {
  for (const char* item : {"abcd", "abc", "wxyz"}) list_->Items().Add(item);
  EXPECT_EQ(Extents(), (std::vector<int>{45}));
  EXPECT_EQ(parent_.window->measured, 3);  // one measurement an add
}

TEST_F(ListBoxExTest, DeletesScanOnlyWhenTheWidestMayHaveGone) {
  for (const char* item : {"abcd", "abc", "wxyz"}) list_->Items().Add(item);
  int measured = parent_.window->measured;

  list_->Items().Delete(1);  // 30 wide: the extent stays, one measurement
  EXPECT_EQ(Extents(), (std::vector<int>{45}));
  EXPECT_EQ(parent_.window->measured - measured, 1);

  measured = parent_.window->measured;
  list_->Items().Delete(0);  // one of the two 40s: a scan finds the other
  EXPECT_EQ(Extents(), (std::vector<int>{45, 45}));
  EXPECT_EQ(parent_.window->measured - measured, 2);

  list_->Items().Delete(0);  // the only item left
  EXPECT_EQ(Extents(), (std::vector<int>{45, 45, 5}));
  list_->Items().Add("ab");  // the widest known is 0 again
  EXPECT_EQ(Extents(), (std::vector<int>{45, 45, 5, 25}));
}

TEST_F(ListBoxExTest, ClearSendsSpaceAndForgetsTheWidest) {
  list_->Items().Add("abcdef");
  list_->Items().Clear();
  list_->Items().Add("ab");
  EXPECT_EQ(Extents(), (std::vector<int>{65, 5, 25}));
}

TEST_F(ListBoxExTest, SpaceIsSentAtOnceEvenWhenUnchanged) {
  list_->Items().Add("abcd");
  list_->SetSpace(10);
  list_->SetSpace(10);
  list_->Items().Add("abcde");
  EXPECT_EQ(Extents(), (std::vector<int>{45, 50, 50, 60}));
}

TEST_F(ListBoxExTest, InsertMeasuresTheInsertedItemNotTheOnePushedDown) {
  list_->Items().Add("ab");
  list_->Items().Insert(0, "abcde");
  EXPECT_EQ(Extents(), (std::vector<int>{25, 55}));
  EXPECT_EQ(Items(), (std::vector<std::u16string>{u"abcde", u"ab"}));
}

TEST_F(ListBoxExTest, ReplacedItemRunsTheDeleteRuleOnTheOldTextAndTheAddRuleOnTheNew) {
  list_->Items().Add("abcd");
  list_->Items().Add("ab");
  list_->Items().Put(0, "a");  // the 40 goes (scan: 20), the 10 comes
  EXPECT_EQ(Extents(), (std::vector<int>{45, 25}));
  list_->Items().Put(1, "abcdefgh");  // the 20 goes (scan: 10), the 80 comes
  EXPECT_EQ(Extents(), (std::vector<int>{45, 25, 15, 85}));
  EXPECT_EQ(Items(), (std::vector<std::u16string>{u"a", u"abcdefgh"}));
}

TEST_F(ListBoxExTest, SortedListMeasuresTheItemJustAddedWhereverItWent) {
  list_->SetSorted(true);
  EXPECT_EQ(list_->Items().Add("m"), 0);
  EXPECT_EQ(list_->Items().Add("zzzzzz"), 1);
  EXPECT_EQ(list_->Items().Add("aaaaaaaa"), 0);
  EXPECT_EQ(Extents(), (std::vector<int>{15, 65, 85}));
}

TEST_F(ListBoxExTest, RejectedAddsMeasureNothingAndLeaveTheExtent) {
  list_->Items().Add("ab");
  parent_.window->reject = kLbErrSpace;
  const int measured = parent_.window->measured;
  EXPECT_EQ(list_->Items().Add("abcdefgh"), kLbErrSpace);
  list_->Items().Insert(0, "abcdefgh");
  EXPECT_EQ(parent_.window->measured, measured);
  EXPECT_EQ(Extents(), (std::vector<int>{25}));
}

TEST_F(ListBoxExTest, DeleteOfAnIndexThatNamesNoItemChangesNothing) {
  list_->Items().Add("abcd");
  const int measured = parent_.window->measured;
  for (int index : {1, 7, -1}) list_->Items().Delete(index);
  EXPECT_EQ(parent_.window->measured, measured);
  EXPECT_EQ(Extents(), (std::vector<int>{45}));
  EXPECT_EQ(Items(), (std::vector<std::u16string>{u"abcd"}));
}

TEST_F(ListBoxExTest, DirectoryListingMeasuresEveryNameItAdds) {
  parent_.window->directory = {u"a.txt", u"longest-name.txt", u"b.txt"};
  const std::u16string pattern = u"*.txt";
  const std::intptr_t last = parent_.window->Send(lbDir, 0, reinterpret_cast<std::intptr_t>(pattern.c_str()));
  EXPECT_EQ(last, 2);
  // The result names only "b.txt"; the widest name is what counts.
  EXPECT_EQ(Extents(), (std::vector<int>{165}));
}

TEST_F(ListBoxExTest, FontChangeMeasuresTheItemsAgain) {
  list_->Items().Add("abcd");
  list_->Font().SetHeight(-20);
  list_->Items().Add("abcdef");  // 120 wide in the new font
  list_->Font().SetHeight(-20);  // no change, nothing sent
  EXPECT_EQ(Extents(), (std::vector<int>{45, 85, 125}));
}

TEST_F(ListBoxExTest, ChangingTheOrderRebuildsTheWindowAndItsExtent) {
  for (const char* item : {"cc", "a", "bbbb"}) list_->Items().Add(item);
  list_->SetSorted(true);
  EXPECT_EQ(parent_.windows_made, 2);
  EXPECT_EQ(Items(), (std::vector<std::u16string>{u"a", u"bbbb", u"cc"}));
  EXPECT_EQ(Extents(), (std::vector<int>{5, 25, 45}));  // cleared, then re-added in order
}

TEST_F(ListBoxExTest, RebuiltEmptyWindowKeepsTheExtentItWasSent) {
  list_->SetSpace(10);
  list_->SetSorted(true);
  EXPECT_EQ(parent_.windows_made, 2);
  EXPECT_EQ(Extents(), (std::vector<int>{10}));
  list_->Items().Add("abcd");
  list_->Items().Delete(0);
  list_->SetSorted(false);
  EXPECT_EQ(parent_.windows_made, 3);
  EXPECT_EQ(Extents(), (std::vector<int>{10}));
}

TEST_F(ListBoxExTest, RebuiltWindowWithoutAnExtentStillHasNone) {
  list_->SetSorted(true);
  EXPECT_EQ(parent_.windows_made, 2);
  EXPECT_EQ(Extents(), (std::vector<int>{}));
}

TEST(ListBoxExWithoutParentTest, SpaceIsKeptUntilTheWindowIsMade) {
  ListParent parent;
  TListBoxEx list(nullptr);
  list.Font().SetHeight(-10);
  list.SetSpace(8);
  EXPECT_EQ(list.Space(), 8);
  EXPECT_FALSE(list.HandleAllocated());
  EXPECT_THROW(list.Items().Add("abcd"), EInvalidOperation);

  list.SetParent(&parent);
  ASSERT_TRUE(list.HandleAllocated());
  list.Items().Add("abcd");
  EXPECT_EQ(parent.window->extents, (std::vector<int>{8, 48}));
}

TEST(ListBoxExWithoutParentTest, ItemsSurviveMovingToAnotherParent) {
  ListParent first, second;
  TListBoxEx list(nullptr);
  list.Font().SetHeight(-10);
  list.SetParent(&first);
  list.Items().Add("abc");
  list.SetParent(nullptr);
  list.SetParent(&second);
  EXPECT_EQ(second.window->items, (std::vector<std::u16string>{u"abc"}));
  EXPECT_EQ(second.window->extents, (std::vector<int>{5, 35}));
}

TEST_F(ListBoxExTest, GetTextWidthMeasuresOneItemAndNothingForAMissingOne) {
  list_->Items().Add("abc");
  list_->Items().Add("\xE9\x9F\xB3");  // one character, three bytes of UTF-8
  EXPECT_EQ(list_->GetTextWidth(0), 30);
  EXPECT_EQ(list_->GetTextWidth(1), 10);
  EXPECT_EQ(list_->GetTextWidth(2), 0);
}

TEST_F(ListBoxExTest, NegativeSpaceNeverSendsANegativeExtent) {
  list_->Items().Add("ab");
  list_->SetSpace(-50);
  list_->Items().Add("abcdefgh");
  EXPECT_EQ(Extents(), (std::vector<int>{25, 0, 30}));
}

// A window described with a list box, as a form description stores it.
class ListForm : public TComponent, public ListParent {
 public:
  ListForm() : TComponent(nullptr) {}
  void AddChildComponent(TComponent* child) override { dynamic_cast<TControl*>(child)->SetParent(this); }
};

TEST(ListBoxExDescriptionTest, WindowIsMadeOnceLoadedWithTheStoredOrderAndSpace) {
  ListForm form;
  const ComponentClassTable classes{
      {"TListBoxEx", [](TComponent* owner) -> TComponent* { return new TListBoxEx(owner); }}};
  const ObjectDescription description = ParseFormDescription(R"(object F: TForm
  object Files: TListBoxEx
    Left = 4
    Top = 4
    Width = 100
    Height = 60
    Space = 9
    Font.Height = -10
    Sorted = True
  end
end
)");
  TReader(description, classes).ReadRootComponent(&form);
  auto* list = dynamic_cast<TListBoxEx*>(form.FindComponent("Files"));
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(form.windows_made, 1);
  EXPECT_EQ(form.window->extents, (std::vector<int>{9}));
  list->Items().Add("b");
  list->Items().Add("aaaa");
  EXPECT_EQ(form.window->items, (std::vector<std::u16string>{u"aaaa", u"b"}));
  EXPECT_EQ(form.window->extents, (std::vector<int>{9, 19, 49}));
}

}  // namespace
}  // namespace snx
