#include "framework/win32/popup_menu.h"

#include "framework/win32/unicode.h"

namespace snx {

namespace {

void AppendItems(HMENU menu, const TMenuItem& parent, std::vector<TMenuItem*>& choosable) {
  for (int i = 0; i < parent.Count(); ++i) {
    TMenuItem* item = parent.Items(i);
    if (item->IsSeparator()) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    } else if (item->Count() > 0) {
      // Owned by the menu it is appended to from here on.
      HMENU sub = CreatePopupMenu();
      AppendItems(sub, *item, choosable);
      AppendMenuW(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub), Widen(item->Caption()).c_str());
    } else {
      choosable.push_back(item);
      AppendMenuW(menu, MF_STRING | (item->Checked() ? MF_CHECKED : MF_UNCHECKED), choosable.size(),
                  Widen(item->Caption()).c_str());
    }
  }
}

}  // namespace

UniqueMenu BuildPopupMenu(const TMenuItem& items, std::vector<TMenuItem*>& choosable) {
  UniqueMenu popup(CreatePopupMenu());
  AppendItems(popup.get(), items, choosable);
  return popup;
}

}  // namespace snx
