#include "framework/core/reader.h"

namespace snx {

TReader::TReader(const ObjectDescription& description, const ComponentClassTable& classes, const MethodTable& methods)
    : description_(description), classes_(classes), methods_(methods) {}

void TReader::ReadRootComponent(TComponent* root) {
  root_ = root;
  current_ = &description_;
  if (root->Name().empty()) root->SetName(description_.name);
  root->SetLoading(true);
  loaded_.push_back(root);
  root->ReadState(*this);

  for (auto& [name, apply] : fixups_) {
    TComponent* target = name == root->Name() ? root : root->FindComponent(name);
    if (target == nullptr) throw EReadError("form description refers to unknown component " + name);
    apply(target);
  }
  fixups_.clear();
  for (TComponent* c : loaded_) c->Loaded();
  loaded_.clear();
}

void TReader::ReadData(TComponent* component) {
  const ObjectDescription& desc = *current_;
  for (const auto& [name, value] : desc.properties) {
    if (!component->ReadProperty(name, value, *this)) {
      throw EReadError("form description: " + desc.name + " has no property " + name);
    }
  }
  for (const ObjectDescription& child : desc.children) ReadChild(component, child);
}

void TReader::ReadChild(TComponent* parent, const ObjectDescription& description) {
  auto factory = classes_.find(description.class_name);
  if (factory == classes_.end()) throw EReadError("form description: unknown class " + description.class_name);
  TComponent* child = factory->second(root_);
  child->SetName(description.name);
  child->SetLoading(true);
  loaded_.push_back(child);
  root_->BindPublishedField(description.name, child);
  parent->AddChildComponent(child);

  const ObjectDescription* outer = current_;
  current_ = &description;
  child->ReadState(*this);
  current_ = outer;
}

void TReader::DeferReference(const PropertyValue& value, std::function<void(TComponent*)> apply) {
  fixups_.emplace_back(value.AsIdentifier(), std::move(apply));
}

}  // namespace snx
