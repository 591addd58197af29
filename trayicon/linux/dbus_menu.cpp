#include "trayicon/linux/dbus_menu.h"

#include <exception>
#include <string>

#include "framework/core/application.h"
#include "framework/core/menu.h"
#include "framework/linux/menu_caption.h"
#include "trayicon/linux/main_context_post.h"

namespace snx {

namespace {

// A choice on its way to the main context: the item chosen, held so that it
// is not taken for another, and the menu it was chosen from.
struct TChoice {
  std::weak_ptr<TDbusMenu*> menu;
  GObjectPtr<DbusmenuMenuitem> item;
};

}  // namespace

TDbusMenu::TDbusMenu(const char* path)
    : self_(std::make_shared<TDbusMenu*>(this)), server_(dbusmenu_server_new(path)), root_(dbusmenu_menuitem_new()) {
  dbusmenu_server_set_root(server_.get(), root_.get());
  g_signal_connect_data(root_.get(), DBUSMENU_MENUITEM_SIGNAL_ABOUT_TO_SHOW, G_CALLBACK(&TDbusMenu::AboutToShow),
                        NewLink(self_), &TDbusMenu::FreeLink, G_CONNECT_DEFAULT);
}

TDbusMenu::~TDbusMenu() {
  *self_ = nullptr;
  items_.clear();
  // The server leaves the bus as it goes.
  server_.reset();
}

void TDbusMenu::Show(TPopupMenu* menu) {
  menu_ = menu;
  items_.clear();
  GList* served = dbusmenu_menuitem_take_children(root_.get());
  g_list_free_full(served, g_object_unref);
  if (menu == nullptr) return;
  const TMenuItem& top = menu->Items();
  for (int i = 0; i < top.Count(); ++i) dbusmenu_menuitem_child_append(root_.get(), Build(*top.Items(i)).get());
}

GObjectPtr<DbusmenuMenuitem> TDbusMenu::Build(TMenuItem& item) {
  GObjectPtr<DbusmenuMenuitem> served(dbusmenu_menuitem_new());
  DbusmenuMenuitem* node = served.get();
  if (item.IsSeparator()) {
    dbusmenu_menuitem_property_set(node, DBUSMENU_MENUITEM_PROP_TYPE, "separator");
    return served;
  }
  dbusmenu_menuitem_property_set(node, DBUSMENU_MENUITEM_PROP_LABEL, MnemonicCaption(item.Caption()).c_str());
  if (item.Count() > 0) {
    dbusmenu_menuitem_property_set(node, DBUSMENU_MENUITEM_PROP_CHILD_DISPLAY, DBUSMENU_MENUITEM_CHILD_DISPLAY_SUBMENU);
    for (int i = 0; i < item.Count(); ++i) dbusmenu_menuitem_child_append(node, Build(*item.Items(i)).get());
    return served;
  }
  // As in the program's own popup, only a checked item shows as one that can be.
  if (item.Checked()) {
    dbusmenu_menuitem_property_set(node, DBUSMENU_MENUITEM_PROP_TOGGLE_TYPE, DBUSMENU_MENUITEM_TOGGLE_CHECK);
    dbusmenu_menuitem_property_set_int(node, DBUSMENU_MENUITEM_PROP_TOGGLE_STATE,
                                       DBUSMENU_MENUITEM_TOGGLE_STATE_CHECKED);
  }
  items_[node] = &item;
  g_signal_connect_data(node, DBUSMENU_MENUITEM_SIGNAL_ITEM_ACTIVATED, G_CALLBACK(&TDbusMenu::Activated),
                        NewLink(self_), &TDbusMenu::FreeLink, G_CONNECT_DEFAULT);
  return served;
}

void TDbusMenu::Activated(DbusmenuMenuitem* item, guint /*timestamp*/, gpointer link) {
  // Run from the main loop, as the program's own popup runs a choice once
  // the menu has closed: the handler may open a dialog with a loop of its
  // own, and the host's request is answered first.
  PostToMainContext(
      g_main_context_default(),
      [](gpointer posted) -> gboolean {
        const auto* choice = static_cast<const TChoice*>(posted);
        if (const std::shared_ptr<TDbusMenu*> menu = choice->menu.lock(); menu && *menu != nullptr) {
          (*menu)->Click(choice->item.get());
        }
        return G_SOURCE_REMOVE;
      },
      new TChoice{*static_cast<std::weak_ptr<TDbusMenu*>*>(link),
                  GObjectPtr<DbusmenuMenuitem>(DBUSMENU_MENUITEM(g_object_ref(item)))},
      [](gpointer posted) { delete static_cast<TChoice*>(posted); });
}

gboolean TDbusMenu::AboutToShow(DbusmenuMenuitem* /*root*/, gpointer link) {
  const std::shared_ptr<TDbusMenu*> menu = static_cast<std::weak_ptr<TDbusMenu*>*>(link)->lock();
  if (!menu || *menu == nullptr || (*menu)->menu_ == nullptr) return FALSE;
  // What OnPopup changes reaches the host before it shows the menu: each
  // change serves the menu afresh.
  try {
    (*menu)->menu_->DoPopup();
  } catch (...) {
    Application().HandleException(std::current_exception());
  }
  return TRUE;
}

void TDbusMenu::Click(DbusmenuMenuitem* served) {
  const auto found = items_.find(served);
  // Served no longer: the menu changed since the host showed it.
  if (found == items_.end()) return;
  try {
    found->second->Click();
  } catch (...) {
    Application().HandleException(std::current_exception());
  }
}

}  // namespace snx
