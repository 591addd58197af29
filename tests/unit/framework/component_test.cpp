#include "framework/core/component.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace snx {
namespace {

// Records its own destruction and the removals it is told about.
class Probe : public TComponent {
 public:
  Probe(TComponent* owner, std::string name, std::vector<std::string>& log) : TComponent(owner), log_(log) {
    SetName(std::move(name));
  }
  ~Probe() override { log_.push_back("destroy " + Name()); }
  TComponent* link = nullptr;
  int notifications = 0;

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    ++notifications;
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove) {
      log_.push_back(Name() + " hears " + component->Name() + " go");
      if (component == link) link = nullptr;
    }
  }

 private:
  std::vector<std::string>& log_;
};

TEST(ComponentTest, OwnerFreesWhatItOwnsLastFirst) {
  std::vector<std::string> log;
  auto* root = new TComponent(nullptr);
  auto* a = new Probe(root, "a", log);
  auto* b = new Probe(root, "b", log);
  b->FreeNotification(a);
  EXPECT_EQ(root->ComponentCount(), 2);
  delete root;
  // b goes first, and a, still alive and linked to it, hears of it.
  EXPECT_EQ(log, (std::vector<std::string>{"destroy b", "a hears b go", "destroy a"}));
}

TEST(ComponentTest, SiblingsThatDidNotAskHearNothingOfEachOther) {
  // Thousands of components on one owner must not cost a pass over all the
  // others for each one added or freed.
  std::vector<std::string> log;
  TComponent root(nullptr);
  auto* watcher = new Probe(&root, "watcher", log);
  for (int i = 0; i < 2000; ++i) new TComponent(&root);
  while (root.ComponentCount() > 1) delete root.Components(root.ComponentCount() - 1);
  EXPECT_EQ(watcher->notifications, 0);
}

TEST(ComponentTest, FreeNotificationReachesComponentsOfOtherOwners) {
  std::vector<std::string> log;
  TComponent form_a(nullptr);
  TComponent form_b(nullptr);
  auto* user = new Probe(&form_a, "user", log);
  auto* menu = new Probe(&form_b, "menu", log);
  user->link = menu;
  menu->FreeNotification(user);
  delete menu;
  EXPECT_EQ(user->link, nullptr);
  EXPECT_EQ(log.back(), "user hears menu go");
}

TEST(ComponentTest, RemovedFreeNotificationIsNotCalled) {
  std::vector<std::string> log;
  TComponent form_a(nullptr);
  TComponent form_b(nullptr);
  auto* user = new Probe(&form_a, "user", log);
  auto* menu = new Probe(&form_b, "menu", log);
  menu->FreeNotification(user);
  menu->RemoveFreeNotification(user);
  delete menu;
  EXPECT_EQ(log, (std::vector<std::string>{"destroy menu"}));
}

TEST(ComponentTest, FindComponentByNameAndDesignModeInheritance) {
  TComponent root(nullptr);
  root.SetDesigning(true);
  auto* child = new TComponent(&root);
  child->SetName("Timer");
  EXPECT_EQ(root.FindComponent("Timer"), child);
  EXPECT_EQ(root.FindComponent("timer"), nullptr);
  EXPECT_EQ(root.FindComponent(""), nullptr);
  EXPECT_TRUE(child->IsDesigning());
}

}  // namespace
}  // namespace snx
