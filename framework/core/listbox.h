#pragma once
// The list box: a control over a native list window that keeps the item
// strings. Every message for that window, whoever sends it, passes through
// the list box's Dispatch first, so derived classes can act before and after
// the window handles it.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/controls.h"
#include "framework/core/message.h"

namespace snx {

// The native list window's messages. Texts travel as null-terminated UTF-16.
enum TListMessage : std::uint32_t {
  lbAddString = 0x0180,
  lbInsertString = 0x0181,
  lbDeleteString = 0x0182,
  lbResetContent = 0x0184,
  lbGetText = 0x0189,
  lbGetTextLen = 0x018A,
  lbGetCount = 0x018B,
  lbDir = 0x018D,
  lbSetHorizontalExtent = 0x0194,
  lbAddFile = 0x0196,
};
// Results that are no item index.
inline constexpr std::intptr_t kLbErr = -1;
inline constexpr std::intptr_t kLbErrSpace = -2;

// The native window under a list box, made by the list box's parent.
class TListWindow {
 public:
  TListWindow() = default;
  TListWindow(const TListWindow&) = delete;
  TListWindow& operator=(const TListWindow&) = delete;
  virtual ~TListWindow() = default;

  // Sends a message to the window; it reaches the list box's Dispatch.
  virtual std::intptr_t Send(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) = 0;
  // The window's own handling of a message, for the list box's DefaultHandler.
  virtual std::intptr_t Default(const TMessage& message) = 0;
  // Pixel width of a text in the window's font.
  virtual int TextWidth(std::u16string_view text) = 0;
  virtual void SetFont(const TFont& font) = 0;
  virtual void SetBounds(const TRect& bounds) = 0;
};

class TCustomListBox;

// The items, changed by messages to the list window.
class TListBoxStrings {
 public:
  explicit TListBoxStrings(TCustomListBox& list) : list_(list) {}
  // Returns the item's index (its sorted place in a sorted list).
  int Add(std::string_view text);
  void Insert(int index, std::string_view text);
  void Delete(int index);
  void Clear();
  // Replaces an item's text: a delete, then an insert at the same index.
  void Put(int index, std::string_view text);

 private:
  TCustomListBox& list_;
};

class TCustomListBox : public TControl {
 public:
  explicit TCustomListBox(TComponent* owner);
  ~TCustomListBox() override;

  // Every message for the list window comes here first; by default it goes
  // on to DefaultHandler, the window's own handling.
  virtual void Dispatch(TMessage& message);
  // Sends a message to the list window, making the window when needed.
  // Raises EInvalidOperation when there is no parent to make it in.
  std::intptr_t Perform(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam);
  bool HandleAllocated() const { return window_ != nullptr; }

  TListBoxStrings& Items() { return items_; }
  bool Sorted() const { return sorted_; }
  // Changing the order rebuilds the window: cleared, then the items added again.
  void SetSorted(bool sorted);

  bool ReadProperty(std::string_view name, const PropertyValue& value, TReader& reader) override;
  void Loaded() override;

 protected:
  void DefaultHandler(TMessage& message);
  // Makes the window in the parent and restores the items that a rebuilt
  // window lost; derived classes add what they keep in the window.
  virtual void CreateWnd();
  // Whether the window exists, making it when there is a parent to make it in.
  bool WindowAvailable();
  // An item's text through LB_GETTEXTLEN and LB_GETTEXT; none for an index
  // that names no item.
  std::optional<std::u16string> ItemText(int index);
  // Measures in the list window's font, which is the list box's Font.
  int TextWidth(std::u16string_view text);

  void FontChanged() override;
  void BoundsChanged() override;
  void ParentChanged() override;

 private:
  void DestroyWnd();

  TListBoxStrings items_{*this};
  bool sorted_ = false;
  std::unique_ptr<TListWindow> window_;
  // The items of a window that went while the list box stays, if it had any.
  std::optional<std::vector<std::u16string>> saved_items_;
};

}  // namespace snx
