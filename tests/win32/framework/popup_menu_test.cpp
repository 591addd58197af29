// A menu's items as the popup menu the system shows: captions, check marks,
// submenus, and the command each item that can be chosen returns.
#include "framework/win32/popup_menu.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/win32/unicode.h"

namespace snx {
namespace {

// Each row: "-" for a separator, a submenu's rows in brackets after its
// caption, an item's caption with "*" when checked and "=" its command.
std::string Rows(HMENU menu) {
  std::string rows;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    wchar_t text[128] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = 128;
    EXPECT_TRUE(GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info));
    if (!rows.empty()) rows += " ";
    if ((info.fType & MFT_SEPARATOR) != 0) {
      rows += "-";
    } else if (info.hSubMenu != nullptr) {
      rows += Narrow(text) + "[" + Rows(info.hSubMenu) + "]";
    } else {
      rows += Narrow(text) + ((info.fState & MFS_CHECKED) != 0 ? "*" : "") + "=" + std::to_string(info.wID);
    }
  }
  return rows;
}

TEST(PopupMenuTest, SubmenusCarryTheirItemsAndEveryItemOfEitherReturnsItsOwnCommand) {
  TComponent owner(nullptr);
  TMenuItem root(&owner);
  auto add = [&](TMenuItem& parent, const std::string& caption) {
    auto* item = new TMenuItem(&owner);
    item->SetCaption(caption);
    parent.Add(item);
    return item;
  };
  TMenuItem* start = add(root, "開始(&S)");
  TMenuItem* input = add(root, "入力(&I)");
  TMenuItem* usb = add(*input, LiteralCaption("USB R&B"));
  add(*input, "-");
  TMenuItem* dash = add(*input, LiteralCaption("-"));
  add(root, "-");
  TMenuItem* top = add(root, "常に最前面に表示(&T)");
  usb->SetChecked(true);
  top->SetChecked(true);

  std::vector<TMenuItem*> choosable;
  const UniqueMenu menu = BuildPopupMenu(root, choosable);
  EXPECT_EQ(Rows(menu.get()), "開始(&S)=1 入力(&I)[USB R&&B*=2 - &-=3] - 常に最前面に表示(&T)*=4");
  EXPECT_EQ(choosable, (std::vector<TMenuItem*>{start, usb, dash, top}));
}

}  // namespace
}  // namespace snx
