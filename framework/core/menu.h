#pragma once
// Popup menus: a tree of items with captions, check marks and click handlers.
// Showing one is the application's platform service.
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/component.h"
#include "framework/core/events.h"

namespace snx {

class TPopupMenu;

// A caption that shows `text` as it is, for captions made from data (a
// device's name, say): each '&' doubled, so that none marks a mnemonic, and a
// lone "-" marked so that it does not become a separator.
std::string LiteralCaption(std::string_view text);

class TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* owner) : TComponent(owner) {}
  ~TMenuItem() override;

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  bool IsSeparator() const { return caption_ == "-"; }
  bool Checked() const { return checked_; }
  void SetChecked(bool checked);
  TNotifyEvent OnClick;

  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int index) const { return items_.at(static_cast<std::size_t>(index)); }
  TMenuItem* Parent() const { return parent_; }
  // Adds `item` at the end, or before the item at `index` (0 to Count()); an
  // item under another parent leaves it first. An index out of range raises
  // std::out_of_range and changes nothing.
  void Add(TMenuItem* item);
  void Insert(int index, TMenuItem* item);
  // Takes the item out of this one without freeing it (its owner does that).
  void Delete(int index);
  void Remove(TMenuItem* item);
  // Frees the items under this one, with theirs: a submenu rebuilt each time
  // its menu opens starts empty.
  void Clear();
  // Where `item` is under this one; -1 when it is not.
  int IndexOf(const TMenuItem* item) const;

  // Runs OnClick when assigned.
  void Click();

  bool ReadProperty(std::string_view name, const PropertyValue& value, TReader& reader) override;
  void AddChildComponent(TComponent* child) override;

 private:
  friend class TPopupMenu;
  // Tells the menu this item belongs to, if any, that it has changed.
  void Changed();

  std::string caption_;
  bool checked_ = false;
  TMenuItem* parent_ = nullptr;
  std::vector<TMenuItem*> items_;
  TPopupMenu* menu_ = nullptr;  // on a menu's top item only
};

// Told whenever a menu's items change: a caption or a check mark, or items
// added or removed anywhere in its tree.
class TMenuObserver {
 public:
  virtual void MenuChanged(TPopupMenu& menu) = 0;

 protected:
  ~TMenuObserver() = default;
};

class TPopupMenu : public TComponent {
 public:
  explicit TPopupMenu(TComponent* owner);
  ~TPopupMenu() override;

  TMenuItem& Items() { return *items_; }
  const TMenuItem& Items() const { return *items_; }
  // Shows the menu at a screen point through the application that owns it;
  // returns once it has closed, after the chosen item's click handler has run.
  virtual void Popup(int x, int y);

  // Runs just before the menu shows, so that a handler can bring its items
  // up to date. Popup runs it; whatever else shows the items (a notification
  // area's own menu) runs DoPopup first.
  TNotifyEvent OnPopup;
  void DoPopup();

  // `observer` hears of every change until it stops observing, which it
  // does before the menu has gone: one that links itself to the menu with
  // FreeNotification hears of its end while the menu is still whole.
  void AddObserver(TMenuObserver& observer);
  void RemoveObserver(TMenuObserver& observer);

  bool ReadProperty(std::string_view name, const PropertyValue& value, TReader& reader) override;
  void AddChildComponent(TComponent* child) override;

 private:
  friend class TMenuItem;
  void Changed();

  TMenuItem* items_;  // owned through the component list
  std::vector<TMenuObserver*> observers_;
};

}  // namespace snx
