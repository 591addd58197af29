#include "framework/core/component.h"

#include <algorithm>

#include "framework/core/erase_last.h"
#include "framework/core/reader.h"

namespace snx {

TComponent::TComponent(TComponent* owner) {
  if (owner != nullptr) {
    designing_ = owner->designing_;
    owner->InsertComponent(this);
  }
}

TComponent::~TComponent() {
  NotifyRemoval();
  DestroyComponents();
  if (owner_ != nullptr) owner_->RemoveComponent(this);
}

void TComponent::NotifyRemoval() {
  while (!free_notifies_.empty()) {
    TComponent* other = free_notifies_.back();
    free_notifies_.pop_back();
    EraseLast(other->free_notifies_, this);
    other->Notification(this, TOperation::opRemove);
  }
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* last = components_.back();
    RemoveComponent(last);
    delete last;
  }
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_) {
    if (c->name_ == name) return c;
  }
  return nullptr;
}

void TComponent::SetDesigning(bool designing) {
  designing_ = designing;
  for (TComponent* c : components_) c->SetDesigning(designing);
}

void TComponent::FreeNotification(TComponent* other) {
  if (other == nullptr || other == this) return;
  if (std::find(free_notifies_.begin(), free_notifies_.end(), other) == free_notifies_.end()) {
    free_notifies_.push_back(other);
    other->free_notifies_.push_back(this);
  }
}

void TComponent::RemoveFreeNotification(TComponent* other) {
  if (other == nullptr) return;
  EraseLast(free_notifies_, other);
  EraseLast(other->free_notifies_, this);
}

void TComponent::InsertComponent(TComponent* component) {
  components_.push_back(component);
  component->owner_ = this;
  Notification(component, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  Notification(component, TOperation::opRemove);
  EraseLast(components_, component);
  component->owner_ = nullptr;
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  // Only components that asked (FreeNotification) hear of another's removal,
  // so that adding or freeing one of many siblings costs no pass over the rest.
  if (operation == TOperation::opRemove) RemoveFreeNotification(component);
}

void TComponent::ReadState(TReader& reader) { reader.ReadData(this); }

void TComponent::Loaded() { loading_ = false; }

bool TComponent::ReadProperty(std::string_view name, const PropertyValue& value, TReader& /*reader*/) {
  if (name == "Name") {
    name_ = value.AsString();
    return true;
  }
  if (name == "Tag") {
    tag_ = value.AsInteger();
    return true;
  }
  return false;
}

void TComponent::AddChildComponent(TComponent* /*child*/) {}

}  // namespace snx
