#pragma once
// The system's list window under a list box, subclassed so that every
// message for it, whoever sends it, passes through the list box's Dispatch.
#include <windows.h>

#include <memory>

#include "framework/core/listbox.h"

namespace snx {

// A child of `parent` with both scroll bars, at the list box's bounds and
// sorted as it asks.
std::unique_ptr<TListWindow> CreateNativeListWindow(HWND parent, TCustomListBox& list);

}  // namespace snx
