#include "framework/core/menu.h"

#include <algorithm>
#include <stdexcept>

#include "framework/core/application.h"
#include "framework/core/erase_last.h"
#include "framework/core/reader.h"

namespace snx {

std::string LiteralCaption(std::string_view text) {
  if (text == "-") return "&-";
  std::string caption;
  caption.reserve(text.size());
  for (const char c : text) {
    if (c == '&') caption += '&';
    caption += c;
  }
  return caption;
}

TMenuItem::~TMenuItem() {
  if (parent_ != nullptr) parent_->Remove(this);
  for (TMenuItem* item : items_) item->parent_ = nullptr;
}

void TMenuItem::SetCaption(std::string caption) {
  if (caption == caption_) return;
  caption_ = std::move(caption);
  Changed();
}

void TMenuItem::SetChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  Changed();
}

void TMenuItem::Add(TMenuItem* item) {
  if (item->parent_ != nullptr) item->parent_->Remove(item);
  items_.push_back(item);
  item->parent_ = this;
  Changed();
}

void TMenuItem::Insert(int index, TMenuItem* item) {
  const int count = Count() - (item->parent_ == this ? 1 : 0);
  if (index < 0 || index > count) throw std::out_of_range("no menu position " + std::to_string(index));
  if (item->parent_ != nullptr) item->parent_->Remove(item);
  items_.insert(items_.begin() + index, item);
  item->parent_ = this;
  Changed();
}

void TMenuItem::Delete(int index) { Remove(Items(index)); }

void TMenuItem::Remove(TMenuItem* item) {
  EraseLast(items_, item);
  item->parent_ = nullptr;
  Changed();
}

void TMenuItem::Changed() {
  const TMenuItem* top = this;
  while (top->parent_ != nullptr) top = top->parent_;
  if (top->menu_ != nullptr) top->menu_->Changed();
}

void TMenuItem::Clear() {
  // Each item takes itself out as it goes.
  while (!items_.empty()) delete items_.back();
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
  const auto found = std::find(items_.begin(), items_.end(), item);
  return found == items_.end() ? -1 : static_cast<int>(found - items_.begin());
}

void TMenuItem::Click() {
  if (OnClick) OnClick(this);
}

bool TMenuItem::ReadProperty(std::string_view name, const PropertyValue& value, TReader& reader) {
  if (name == "Caption") {
    SetCaption(value.AsString());
  } else if (name == "Checked") {
    SetChecked(value.AsBoolean());
  } else if (name == "OnClick") {
    OnClick = reader.Method<TNotifyEvent>(value);
  } else {
    return TComponent::ReadProperty(name, value, reader);
  }
  return true;
}

void TMenuItem::AddChildComponent(TComponent* child) {
  if (auto* item = dynamic_cast<TMenuItem*>(child)) Add(item);
}

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner), items_(new TMenuItem(this)) { items_->menu_ = this; }

TPopupMenu::~TPopupMenu() {
  // Those linked to the menu let go of it while it is whole.
  NotifyRemoval();
  items_->menu_ = nullptr;
}

void TPopupMenu::Popup(int x, int y) {
  DoPopup();
  if (TMenuItem* chosen = ApplicationOf(this).TrackPopupMenu(*this, x, y)) chosen->Click();
}

void TPopupMenu::DoPopup() {
  if (OnPopup) OnPopup(this);
}

void TPopupMenu::AddObserver(TMenuObserver& observer) { observers_.push_back(&observer); }

void TPopupMenu::RemoveObserver(TMenuObserver& observer) { EraseLast(observers_, &observer); }

void TPopupMenu::Changed() {
  // An observer may stop observing as it hears of the change.
  const std::vector<TMenuObserver*> observers = observers_;
  for (TMenuObserver* observer : observers) {
    if (std::find(observers_.begin(), observers_.end(), observer) != observers_.end()) observer->MenuChanged(*this);
  }
}

bool TPopupMenu::ReadProperty(std::string_view name, const PropertyValue& value, TReader& reader) {
  if (name == "OnPopup") {
    OnPopup = reader.Method<TNotifyEvent>(value);
    return true;
  }
  return TComponent::ReadProperty(name, value, reader);
}

void TPopupMenu::AddChildComponent(TComponent* child) {
  if (auto* item = dynamic_cast<TMenuItem*>(child)) items_->Add(item);
}

}  // namespace snx
