#pragma once
// A menu's items as a Win32 popup menu, for TrackPopupMenu.
#include <vector>

#include "framework/core/menu.h"
#include "framework/win32/handles.h"

namespace snx {

// The rows of `items`, each item with rows of its own as a submenu. Every
// other item that is not a separator goes to `choosable`, its command
// identifier its place there plus one.
UniqueMenu BuildPopupMenu(const TMenuItem& items, std::vector<TMenuItem*>& choosable);

}  // namespace snx
