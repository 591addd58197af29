#pragma once
// The component model: owners free what they own, components that refer to
// each other are told when one goes, and form descriptions fill them in.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/object.h"

namespace snx {

class TReader;
struct PropertyValue;

enum class TOperation : std::uint8_t { opInsert, opRemove };

class TComponent : public TObject {
 public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;

  TComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  std::int32_t Tag() const { return tag_; }
  void SetTag(std::int32_t tag) { tag_ = tag; }

  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const { return components_.at(static_cast<std::size_t>(index)); }
  TComponent* FindComponent(std::string_view name) const;

  // Component state: loading from a form description, design mode.
  bool IsLoading() const { return loading_; }
  bool IsDesigning() const { return designing_; }
  void SetDesigning(bool designing);

  // Asks to be told (Notification with opRemove) when `other` is destroyed; mutual.
  void FreeNotification(TComponent* other);
  void RemoveFreeNotification(TComponent* other);

  // Frees the owned components, last first. Derived classes whose members the
  // components use call it at the start of their own destructor.
  void DestroyComponents();
  // Tells the components linked by FreeNotification that this one goes, and
  // unlinks them. Derived classes whose members those components use as they
  // hear it call it at the start of their own destructor.
  void NotifyRemoval();

  // Streaming. ReadState runs once per component per pass; Loaded once all
  // components of the pass exist and their references are resolved.
  virtual void ReadState(TReader& reader);
  virtual void Loaded();
  // Applies one stored property; false when the class has no such property.
  virtual bool ReadProperty(std::string_view name, const PropertyValue& value, TReader& reader);
  // Called for a component described inside this one (menu items in a menu,
  // controls on a form).
  virtual void AddChildComponent(TComponent* child);

 protected:
  // Told when a component is added to or removed from this one's list, and
  // when a component linked by FreeNotification is destroyed. Siblings are
  // not told of each other: a component that refers to another links to it.
  virtual void Notification(TComponent* component, TOperation operation);

 private:
  friend class TReader;
  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);
  void SetLoading(bool loading) { loading_ = loading; }

  TComponent* owner_ = nullptr;
  std::string name_;
  std::int32_t tag_ = 0;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> free_notifies_;
  bool loading_ = false;
  bool designing_ = false;
};

}  // namespace snx
