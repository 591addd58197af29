#pragma once
// A popup menu served on the session bus as com.canonical.dbusmenu, by
// Debian's libdbusmenu-glib, for tray hosts that draw an item's menu
// themselves: the same items in the same order, with their mnemonics,
// separators, check marks and submenus. As the host is about to show it the
// menu's OnPopup runs, and an item chosen there runs its click handler, as
// in the program's own popup.
#include <libdbusmenu-glib/server.h>

#include <map>
#include <memory>

#include "trayicon/linux/gobject_ptr.h"

namespace snx {

class TMenuItem;
class TPopupMenu;

class TDbusMenu {
 public:
  // Serves at `path` on the connection libdbusmenu-glib always takes, the
  // process's own to the session bus (g_bus_get): the item that names the
  // menu must be on that connection too, since hosts ask the item's bus
  // name for it.
  explicit TDbusMenu(const char* path);
  ~TDbusMenu();
  TDbusMenu(const TDbusMenu&) = delete;
  TDbusMenu& operator=(const TDbusMenu&) = delete;

  // Serves `menu` as it is now (null: no items). Told again after every
  // change, it serves the menu afresh: hosts then read all of it again, which
  // a change of an item's kind (a check mark's coming or going) needs.
  void Show(TPopupMenu* menu);

 private:
  static void Activated(DbusmenuMenuitem* item, guint timestamp, gpointer link);
  static gboolean AboutToShow(DbusmenuMenuitem* root, gpointer link);
  static gpointer NewLink(const std::shared_ptr<TDbusMenu*>& self) { return new std::weak_ptr<TDbusMenu*>(self); }
  static void FreeLink(gpointer link, GClosure* /*closure*/) { delete static_cast<std::weak_ptr<TDbusMenu*>*>(link); }
  GObjectPtr<DbusmenuMenuitem> Build(TMenuItem& item);
  // Runs the click handler of the item that `served` stands for, if it is
  // still among those served.
  void Click(DbusmenuMenuitem* served);

  // What the items' signals hold: cleared as the menu goes.
  std::shared_ptr<TDbusMenu*> self_;
  GObjectPtr<DbusmenuServer> server_;
  GObjectPtr<DbusmenuMenuitem> root_;
  TPopupMenu* menu_ = nullptr;
  // The items served now, each with the menu item it stands for.
  std::map<DbusmenuMenuitem*, TMenuItem*> items_;
};

}  // namespace snx
