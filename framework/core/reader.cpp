#include "framework/core/reader.h"

namespace snx {

TReader::TReader(const ObjectDescription& description, const ComponentClassTable& classes, TPublishedBindings published)
    : description_(description), classes_(classes), published_(std::move(published)) {}

TReader::TReader(const ObjectDescription& description, const ComponentClassTable& classes, const MethodTable& methods)
    : TReader(description, classes, TPublishedBindings{{}, methods}) {}

void TReader::ReadRootComponent(TComponent* root) {
  root_ = root;
  current_ = &description_;
  if (root->Name().empty()) root->SetName(description_.name);
  named_.emplace(root->Name(), root);
  root->SetLoading(true);
  loaded_.push_back(root);
  root->ReadState(*this);

  for (const TPublishedField& field : published_.fields) {
    if (!field.bound()) throw EReadError("form description: no component for the field " + field.name);
  }
  for (auto& [name, apply] : fixups_) {
    auto named = named_.find(name);
    TComponent* target = named != named_.end() ? named->second : root->FindComponent(name);
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
  if (named_.contains(description.name)) throw EReadError("form description: two components named " + description.name);
  TComponent* child = factory->second(root_);
  named_.emplace(description.name, child);
  child->SetName(description.name);
  child->SetLoading(true);
  loaded_.push_back(child);
  BindField(description, child);
  parent->AddChildComponent(child);

  const ObjectDescription* outer = current_;
  current_ = &description;
  child->ReadState(*this);
  current_ = outer;
}

void TReader::BindField(const ObjectDescription& description, TComponent* component) {
  for (const TPublishedField& field : published_.fields) {
    if (field.name != description.name) continue;
    if (!field.assign(component)) {
      throw EReadError("form description: the field " + field.name + " cannot hold a " + description.class_name);
    }
    return;
  }
}

void TReader::DeferReference(const PropertyValue& value, std::function<void(TComponent*)> apply) {
  fixups_.emplace_back(value.AsIdentifier(), std::move(apply));
}

}  // namespace snx
