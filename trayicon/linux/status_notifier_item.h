#pragma once
// A StatusNotifierItem on the session bus, written by hand over GDBus: the
// desktop's tray host draws it once the item has registered with the
// org.kde.StatusNotifierWatcher. libayatana-appindicator would do the same,
// but it cannot set a tooltip, and the icon's tip is what names the program.
// Its menu, for hosts that draw it themselves, is a TDbusMenu.
#include <gio/gio.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "trayicon/linux/dbus_menu.h"
#include "trayicon/linux/gobject_ptr.h"
#include "trayicon/linux/tray_events.h"
#include "trayicon/linux/tray_picture.h"

namespace snx {

class TPopupMenu;

class TStatusNotifierItem {
 public:
  // Owns org.kde.StatusNotifierItem-<pid>-<number> on the process's
  // connection to the session bus, the one its menu is served on, and
  // registers whenever a watcher appears. A process has one such connection
  // and hosts look for the item at one path of it, so it holds one item at a
  // time. The connection is made without waiting (a bus that accepts and
  // never answers must not hold the program up); a bus that cannot be reached
  // leaves the item unseen. `hosted` tells when the item comes to be shown,
  // or no longer is: a watcher holds it and a host (what draws items) has
  // registered with that watcher.
  TStatusNotifierItem(std::uint32_t number, TTrayEvents& events, std::function<void(bool)> hosted);
  ~TStatusNotifierItem();
  TStatusNotifierItem(const TStatusNotifierItem&) = delete;
  TStatusNotifierItem& operator=(const TStatusNotifierItem&) = delete;

  const std::string& BusName() const { return bus_name_; }
  // A watcher holds the item and has a host to show it.
  bool Hosted() const { return registered_ && host_; }

  // Changes are signalled to the host; a value set again is not.
  void SetTip(const std::string& tip);
  void SetPicture(const TTrayPicture& picture);
  void SetVisible(bool visible);
  // The menu that hosts drawing it themselves show, or null; told again
  // whenever its items change.
  void SetMenu(TPopupMenu* menu);

 private:
  static void MethodCall(GDBusConnection* connection, const gchar* sender, const gchar* path, const gchar* interface,
                         const gchar* method, GVariant* parameters, GDBusMethodInvocation* invocation, gpointer self);
  static GVariant* GetProperty(GDBusConnection* connection, const gchar* sender, const gchar* path,
                               const gchar* interface, const gchar* property, GError** error, gpointer self);
  static void Connected(GObject* source, GAsyncResult* result, gpointer link);
  static void WatcherAppeared(GDBusConnection* connection, const gchar* name, const gchar* owner, gpointer self);
  static void WatcherVanished(GDBusConnection* connection, const gchar* name, gpointer self);
  static void RegisterDone(GObject* source, GAsyncResult* result, gpointer data);
  static void HostsChanged(GDBusConnection* connection, const gchar* sender, const gchar* path, const gchar* interface,
                           const gchar* signal, GVariant* parameters, gpointer link);
  static void HostsAnswered(GObject* source, GAsyncResult* result, gpointer data);

  // What GLib's callbacks hold: cleared as the item goes, so that a call
  // already on its way finds no item rather than a destroyed one.
  struct TLink {
    TStatusNotifierItem* item;
  };
  static TStatusNotifierItem* Item(gpointer link) { return (*static_cast<std::shared_ptr<TLink>*>(link))->item; }
  gpointer NewLinkRef() const { return new std::shared_ptr<TLink>(link_); }
  static void FreeLinkRef(gpointer link) { delete static_cast<std::shared_ptr<TLink>*>(link); }

  // Serves the item on the connection once it is made.
  void Publish(GObjectPtr<GDBusConnection> connection);
  void Emit(const char* signal, GVariant* parameters);
  GVariant* Pixmaps() const;
  // Where a request at 0, 0 (a host that does not say) takes place: the pointer.
  static TPoint RequestPlace(gint32 x, gint32 y);
  // Asks the watcher `owner` whether a host has registered with it.
  void AskForHosts(const std::string& owner);
  void StopListeningToHosts();
  // Tells the icon when Hosted() has changed.
  void Update(bool registered, bool host);

  std::shared_ptr<TLink> link_;
  TTrayEvents& events_;
  std::function<void(bool)> hosted_changed_;
  std::string bus_name_;
  std::string tip_;
  TTrayPicture picture_;
  bool visible_ = true;
  TPopupMenu* menu_ = nullptr;
  bool registered_ = false;
  bool host_ = false;
  // Counts the watcher's appearances: an answer that comes after its
  // watcher went is stale.
  std::uint32_t watcher_generation_ = 0;
  GObjectPtr<GDBusConnection> connection_;
  std::unique_ptr<TDbusMenu> dbus_menu_;
  GObjectPtr<GCancellable> cancellable_;
  guint object_id_ = 0;
  guint owner_id_ = 0;
  guint watch_id_ = 0;
  guint hosts_signal_id_ = 0;
};

}  // namespace snx
