#pragma once
// Applies a form description to a root component: creates the described
// components (owned by the root) and binds the root's published fields to
// them, sets their properties, binds events to the root's handlers, resolves
// references between components, then sends Loaded.
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/core/component.h"
#include "framework/core/events.h"
#include "framework/core/form_description.h"
#include "framework/core/published.h"

namespace snx {

using ComponentFactory = std::function<TComponent*(TComponent* owner)>;
// The classes a root's description may name, by class name.
using ComponentClassTable = std::map<std::string, ComponentFactory, std::less<>>;

// The class table entry for a component class constructed from its owner.
template <class Component>
ComponentFactory Creates() {
  return [](TComponent* owner) -> TComponent* { return new Component(owner); };
}

class TReader {
 public:
  TReader(const ObjectDescription& description, const ComponentClassTable& classes, TPublishedBindings published = {});
  // For a root without published fields.
  TReader(const ObjectDescription& description, const ComponentClassTable& classes, const MethodTable& methods);

  // Reads the whole description into `root`, which already exists. Two
  // components of one name, or a published field left without a component
  // of its class, raise EReadError naming it.
  void ReadRootComponent(TComponent* root);

  // For ReadState: reads the current component's properties and children.
  void ReadData(TComponent* component);

  // For ReadProperty: the root's handler named by an identifier value.
  template <class Event>
  Event Method(const PropertyValue& value) const {
    auto it = published_.methods.find(value.AsIdentifier());
    if (it == published_.methods.end()) throw EReadError("no handler " + value.text);
    const Event* event = std::get_if<Event>(&it->second);
    if (event == nullptr) throw EReadError("handler " + value.text + " has the wrong type");
    return *event;
  }

  // For ReadProperty: a reference to another component, resolved after the
  // whole description has been read.
  void DeferReference(const PropertyValue& value, std::function<void(TComponent*)> apply);

 private:
  void ReadChild(TComponent* parent, const ObjectDescription& description);
  void BindField(const ObjectDescription& description, TComponent* component);

  const ObjectDescription& description_;
  const ComponentClassTable& classes_;
  TPublishedBindings published_;
  TComponent* root_ = nullptr;
  // The root and every component read, by the name the description gives.
  std::map<std::string, TComponent*, std::less<>> named_;
  const ObjectDescription* current_ = nullptr;
  std::vector<TComponent*> loaded_;
  std::vector<std::pair<std::string, std::function<void(TComponent*)>>> fixups_;
};

}  // namespace snx
