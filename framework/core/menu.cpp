#include "framework/core/menu.h"

#include "framework/core/application.h"
#include "framework/core/erase_last.h"
#include "framework/core/reader.h"

namespace snx {

TMenuItem::~TMenuItem() {
  if (parent_ != nullptr) parent_->Remove(this);
  for (TMenuItem* item : items_) item->parent_ = nullptr;
}

void TMenuItem::Add(TMenuItem* item) {
  if (item->parent_ != nullptr) item->parent_->Remove(item);
  items_.push_back(item);
  item->parent_ = this;
}

void TMenuItem::Remove(TMenuItem* item) {
  EraseLast(items_, item);
  item->parent_ = nullptr;
}

void TMenuItem::Click() {
  if (OnClick) OnClick(this);
}

bool TMenuItem::ReadProperty(std::string_view name, const PropertyValue& value, TReader& reader) {
  if (name == "Caption") {
    caption_ = value.AsString();
  } else if (name == "Checked") {
    checked_ = value.AsBoolean();
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

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner), items_(new TMenuItem(this)) {}

void TPopupMenu::Popup(int x, int y) {
  if (TMenuItem* chosen = ApplicationOf(this).TrackPopupMenu(*this, x, y)) chosen->Click();
}

void TPopupMenu::AddChildComponent(TComponent* child) {
  if (auto* item = dynamic_cast<TMenuItem*>(child)) items_->Add(item);
}

}  // namespace snx
