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
  void Add(TMenuItem* item);
  void Remove(TMenuItem* item);

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

  // `observer` hears of every change until it stops observing, which it
  // does before the menu has gone: one that links itself to the menu with
  // FreeNotification hears of its end while the menu is still whole.
  void AddObserver(TMenuObserver& observer);
  void RemoveObserver(TMenuObserver& observer);

  void AddChildComponent(TComponent* child) override;

 private:
  friend class TMenuItem;
  void Changed();

  TMenuItem* items_;  // owned through the component list
  std::vector<TMenuObserver*> observers_;
};

}  // namespace snx
