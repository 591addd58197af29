#include "listboxex/core/listboxex.h"

#include <algorithm>
#include <array>
#include <utility>

#include "framework/core/form_description.h"

namespace snx {

namespace {
std::uintptr_t ExtentParam(int extent) { return static_cast<std::uintptr_t>(std::max(extent, 0)); }
}  // namespace

void TListBoxEx::Dispatch(TMessage& message) {
  // The messages that change the items, and their handlers.
  static constexpr std::array<std::pair<std::uint32_t, void (TListBoxEx::*)(TMessage&)>, 6> kRoutes{{
      {lbAddString, &TListBoxEx::LBAdd},
      {lbInsertString, &TListBoxEx::LBAdd},
      {lbDeleteString, &TListBoxEx::LBDelete},
      {lbResetContent, &TListBoxEx::LBResetContent},
      {lbDir, &TListBoxEx::LBAdd},
      {lbAddFile, &TListBoxEx::LBAdd},
  }};
  for (const auto& [number, handler] : kRoutes) {
    if (message.msg == number) {
      (this->*handler)(message);
      return;
    }
  }
  TCustomListBox::Dispatch(message);
}

void TListBoxEx::LBAdd(TMessage& message) {
  TCustomListBox::Dispatch(message);
  if (message.result < 0) return;  // rejected: no item was added
  // A directory listing may add many names but reports only the last one,
  // so every item is measured, lest a wider name stay out of reach.
  const int width = message.msg == lbDir ? WidestItem() : MeasureItem(static_cast<int>(message.result)).value_or(0);
  if (width > FMaxWidth) SendExtent(width);
}

void TListBoxEx::LBDelete(TMessage& message) {
  const std::optional<int> width = MeasureItem(static_cast<int>(message.w_param));
  TCustomListBox::Dispatch(message);
  // No such item means nothing went; a narrower one leaves the widest there.
  if (!width || *width < FMaxWidth) return;
  SendExtent(WidestItem());
}

void TListBoxEx::LBResetContent(TMessage& message) {
  TCustomListBox::Dispatch(message);
  SendExtent(0);
}

int TListBoxEx::GetTextWidth(int index) { return MeasureItem(index).value_or(0); }

std::optional<int> TListBoxEx::MeasureItem(int index) {
  const std::optional<std::u16string> text = ItemText(index);
  if (!text) return std::nullopt;
  return TextWidth(*text);
}

int TListBoxEx::WidestItem() {
  const auto count = static_cast<int>(Perform(lbGetCount, 0, 0));
  int widest = 0;
  for (int i = 0; i < count; ++i) widest = std::max(widest, MeasureItem(i).value_or(0));
  return widest;
}

void TListBoxEx::SendExtent(int max_width) {
  Perform(lbSetHorizontalExtent, ExtentParam(max_width + space_), 0);
  FMaxWidth = max_width;
  extent_set_ = true;
  window_has_extent_ = true;
}

void TListBoxEx::SetSpace(int value) {
  // While loading, the window waits for the rest of the description.
  extent_set_ = true;
  if (!IsLoading() && WindowAvailable()) {
    Perform(lbSetHorizontalExtent, ExtentParam(FMaxWidth + value), 0);
    window_has_extent_ = true;
  }
  space_ = value;
}

void TListBoxEx::CreateWnd() {
  // A rebuilt window that gets its items back is cleared first, which sends
  // the extent; an empty one would keep none.
  window_has_extent_ = false;
  TCustomListBox::CreateWnd();
  if (extent_set_ && !window_has_extent_) SendExtent(FMaxWidth);
}

void TListBoxEx::FontChanged() {
  TCustomListBox::FontChanged();
  // Widths taken in the old font no longer hold.
  if (!HandleAllocated()) return;
  const int widest = WidestItem();
  if (widest != FMaxWidth) SendExtent(widest);
}

bool TListBoxEx::ReadProperty(std::string_view name, const PropertyValue& value, TReader& reader) {
  if (name == "Space") {
    SetSpace(value.AsInteger());
    return true;
  }
  return TCustomListBox::ReadProperty(name, value, reader);
}

}  // namespace snx
