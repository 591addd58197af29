#pragma once
// A root component's published members in one table per class: the fields
// that refer to the components its form description creates, and the
// handlers that the description binds events to, each under its name.
//
//   static const TPublished<TMyForm> published{
//       {"Timer", &TMyForm::Timer},            // field: TTimer* Timer
//       {"TimerTimer", &TMyForm::TimerTimer},  // handler: void TimerTimer(TObject*)
//   };
//   reader input: published.For(*this)
//
// The reader binds a field to the component of its name when that is of the
// field's class, and refuses a description that leaves a field unbound.
#include <concepts>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "framework/core/component.h"
#include "framework/core/events.h"

namespace snx {

using MethodBinding = std::variant<TNotifyEvent, TMouseEvent, TMouseMoveEvent, TCloseEvent>;
using MethodTable = std::map<std::string, MethodBinding, std::less<>>;

// One field of one root: Assign stores the component when it is of the
// field's class and says whether it was; Bound says whether the field holds one.
struct TPublishedField {
  std::string name;
  std::function<bool(TComponent*)> assign;
  std::function<bool()> bound;
};

// The published members of one root, for the reader.
struct TPublishedBindings {
  std::vector<TPublishedField> fields;
  MethodTable methods;
};

template <class Root>
class TPublished {
 public:
  class Member {
   public:
    // A field that refers to a component of class Component (or derived).
    template <std::derived_from<TComponent> Component>
    Member(std::string_view name, Component* Root::*field)
        : add_([name = std::string(name), field](Root& root, TPublishedBindings& out) {
            Component*& slot = root.*field;
            out.fields.push_back({name,
                                  [&slot](TComponent* component) {
                                    slot = dynamic_cast<Component*>(component);
                                    return slot != nullptr;
                                  },
                                  [&slot] { return slot != nullptr; }});
          }) {}

    // A handler; its parameters must be those of one of the event types.
    template <class... Args>
    Member(std::string_view name, void (Root::*handler)(Args...))
        : add_([name = std::string(name), handler](Root& root, TPublishedBindings& out) {
            std::function<void(Args...)> bound = [&root, handler](Args... args) {
              (root.*handler)(std::forward<Args>(args)...);
            };
            out.methods.emplace(name, MethodBinding(std::move(bound)));
          }) {}

   private:
    friend class TPublished;
    std::function<void(Root&, TPublishedBindings&)> add_;
  };

  TPublished(std::initializer_list<Member> members) : members_(members) {}

  // The members of `root`, which must outlive the reading.
  TPublishedBindings For(Root& root) const {
    TPublishedBindings bindings;
    for (const Member& member : members_) member.add_(root, bindings);
    return bindings;
  }

 private:
  std::vector<Member> members_;
};

}  // namespace snx
