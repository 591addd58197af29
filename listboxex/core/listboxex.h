#pragma once
// A list box that keeps its horizontal scroll range matched to its widest
// item, so that items wider than the box can be scrolled into view: the
// window's extent is FMaxWidth + Space once an extent has been sent.
//
// Widths are measured in the list box's Font, the font the items show in;
// a change of Font measures every item again, and so does a directory
// listing, which reports only the last of the names it adds. An add or
// insert the window rejects measures nothing, and a delete of an index that
// names no item changes nothing. Space set before the list box has a parent
// (or while it is loading) is kept and sent as soon as its window is made.
// Extents below zero are sent as zero.
#include <cstdint>
#include <optional>

#include "framework/core/listbox.h"

namespace snx {

class TListBoxEx : public TCustomListBox {
 public:
  explicit TListBoxEx(TComponent* owner) : TCustomListBox(owner) {}

  void Dispatch(TMessage& message) override;

  // Pixel width of an item's text; 0 for an index that names no item.
  int GetTextWidth(int index);
  int Space() const { return space_; }
  // Sends the extent even when the margin is unchanged.
  void SetSpace(int value);

  bool ReadProperty(std::string_view name, const PropertyValue& value, TReader& reader) override;

 protected:
  // Add, insert, directory listing and add file.
  virtual void LBAdd(TMessage& message);
  virtual void LBDelete(TMessage& message);
  virtual void LBResetContent(TMessage& message);

  void CreateWnd() override;
  void FontChanged() override;

 private:
  std::optional<int> MeasureItem(int index);
  // The widest of all items.
  int WidestItem();
  // Sends max_width + Space and keeps max_width as FMaxWidth.
  void SendExtent(int max_width);

  std::int32_t FMaxWidth = 0;
  std::int32_t space_ = 5;
  // An extent was sent, or Space was set: every window must carry
  // FMaxWidth + Space from then on, including one made anew.
  bool extent_set_ = false;
  // The current window has been sent it.
  bool window_has_extent_ = false;
};

}  // namespace snx
