#include "trayicon/linux/status_notifier_item.h"

#include <gdk/gdk.h>
#include <unistd.h>

#include <string_view>

namespace snx {

namespace {

constexpr const char* kItemPath = "/StatusNotifierItem";
constexpr const char* kMenuPath = "/MenuBar";
// What the protocol's hosts take for an item without a menu of its own.
constexpr const char* kNoMenuPath = "/NO_DBUSMENU";
constexpr const char* kItemInterface = "org.kde.StatusNotifierItem";
constexpr const char* kWatcherName = "org.kde.StatusNotifierWatcher";
constexpr const char* kWatcherPath = "/StatusNotifierWatcher";

constexpr const char* kIntrospection =
    "<node><interface name='org.kde.StatusNotifierItem'>"
    "<property name='Category' type='s' access='read'/>"
    "<property name='Id' type='s' access='read'/>"
    "<property name='Title' type='s' access='read'/>"
    "<property name='Status' type='s' access='read'/>"
    "<property name='IconName' type='s' access='read'/>"
    "<property name='IconPixmap' type='a(iiay)' access='read'/>"
    "<property name='ToolTip' type='(sa(iiay)ss)' access='read'/>"
    "<property name='ItemIsMenu' type='b' access='read'/>"
    "<property name='Menu' type='o' access='read'/>"
    "<method name='Activate'><arg type='i' direction='in'/><arg type='i' direction='in'/></method>"
    "<method name='SecondaryActivate'><arg type='i' direction='in'/><arg type='i' direction='in'/></method>"
    "<method name='ContextMenu'><arg type='i' direction='in'/><arg type='i' direction='in'/></method>"
    "<method name='Scroll'><arg type='i' direction='in'/><arg type='s' direction='in'/></method>"
    "<signal name='NewTitle'/><signal name='NewIcon'/><signal name='NewToolTip'/>"
    "<signal name='NewStatus'><arg type='s'/></signal>"
    "</interface></node>";

struct TNodeInfoUnref {
  void operator()(GDBusNodeInfo* info) const { g_dbus_node_info_unref(info); }
};

const char* StatusText(bool visible) { return visible ? "Active" : "Passive"; }

// A call to the watcher in flight, with the watcher appearance it was made for.
struct TAnswer {
  gpointer link;
  std::uint32_t generation;
};

}  // namespace

TStatusNotifierItem::TStatusNotifierItem(std::uint32_t number, TTrayEvents& events, std::function<void(bool)> hosted)
    : link_(std::make_shared<TLink>(TLink{this})),
      events_(events),
      hosted_changed_(std::move(hosted)),
      bus_name_("org.kde.StatusNotifierItem-" + std::to_string(getpid()) + "-" + std::to_string(number)),
      cancellable_(g_cancellable_new()) {
  // Not cancelled with the item: the connection is the process's, and a
  // cancelled first request leaves it failed for every later one.
  g_bus_get(G_BUS_TYPE_SESSION, nullptr, &TStatusNotifierItem::Connected, NewLinkRef());
}

TStatusNotifierItem::~TStatusNotifierItem() {
  link_->item = nullptr;
  g_cancellable_cancel(cancellable_.get());
  if (!connection_) return;
  StopListeningToHosts();
  g_bus_unwatch_name(watch_id_);
  // The name is given back before this returns: a watcher sees the item
  // leave at once, though the connection stays the process's.
  g_bus_unown_name(owner_id_);
  g_dbus_connection_unregister_object(connection_.get(), object_id_);
  dbus_menu_.reset();
}

void TStatusNotifierItem::Connected(GObject* /*source*/, GAsyncResult* result, gpointer link) {
  GError* error = nullptr;
  GObjectPtr<GDBusConnection> connection(g_bus_get_finish(result, &error));
  const GErrorPtr owned_error(error);
  TStatusNotifierItem* self = Item(link);
  FreeLinkRef(link);
  // A bus that cannot be reached leaves the item unseen, and the XEmbed icon.
  if (self != nullptr && connection) self->Publish(std::move(connection));
}

void TStatusNotifierItem::Publish(GObjectPtr<GDBusConnection> connection) {
  connection_ = std::move(connection);
  // A session bus that goes away leaves the XEmbed icon, not a program ended.
  g_dbus_connection_set_exit_on_close(connection_.get(), FALSE);
  // Made before any host can learn of the item. The library puts it on the
  // bus from the loop, a moment later; hosts read it when the user opens it,
  // and again whenever its layout changes.
  dbus_menu_ = std::make_unique<TDbusMenu>(kMenuPath);
  dbus_menu_->Show(menu_);
  const std::unique_ptr<GDBusNodeInfo, TNodeInfoUnref> node(g_dbus_node_info_new_for_xml(kIntrospection, nullptr));
  static const GDBusInterfaceVTable kTable = {
      &TStatusNotifierItem::MethodCall, &TStatusNotifierItem::GetProperty, nullptr, {}};
  object_id_ = g_dbus_connection_register_object(connection_.get(), kItemPath, node->interfaces[0], &kTable,
                                                 NewLinkRef(), &TStatusNotifierItem::FreeLinkRef, nullptr);
  // Asked for before the watcher is looked for, so that the watcher finds
  // the name owned when the registration names it.
  owner_id_ = g_bus_own_name_on_connection(connection_.get(), bus_name_.c_str(), G_BUS_NAME_OWNER_FLAGS_NONE, nullptr,
                                           nullptr, nullptr, nullptr);
  watch_id_ = g_bus_watch_name_on_connection(
      connection_.get(), kWatcherName, G_BUS_NAME_WATCHER_FLAGS_NONE, &TStatusNotifierItem::WatcherAppeared,
      &TStatusNotifierItem::WatcherVanished, NewLinkRef(), &TStatusNotifierItem::FreeLinkRef);
}

void TStatusNotifierItem::SetTip(const std::string& tip) {
  if (tip == tip_) return;
  tip_ = tip;
  Emit("NewTitle", nullptr);
  Emit("NewToolTip", nullptr);
}

void TStatusNotifierItem::SetPicture(const TTrayPicture& picture) {
  if (picture == picture_) return;
  picture_ = picture;
  Emit("NewIcon", nullptr);
  Emit("NewToolTip", nullptr);
}

void TStatusNotifierItem::SetMenu(TPopupMenu* menu) {
  menu_ = menu;
  if (dbus_menu_) dbus_menu_->Show(menu_);
}

void TStatusNotifierItem::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  Emit("NewStatus", g_variant_new("(s)", StatusText(visible_)));
}

void TStatusNotifierItem::Emit(const char* signal, GVariant* parameters) {
  if (!connection_) {
    // Not yet on the bus: nobody to tell, and the value is read when asked.
    if (parameters != nullptr) g_variant_unref(g_variant_ref_sink(parameters));
    return;
  }
  g_dbus_connection_emit_signal(connection_.get(), nullptr, kItemPath, kItemInterface, signal, parameters, nullptr);
}

// The protocol wants ARGB32 in network byte order.
GVariant* TStatusNotifierItem::Pixmaps() const {
  GVariantBuilder pixmaps;
  g_variant_builder_init(&pixmaps, G_VARIANT_TYPE("a(iiay)"));
  if (!picture_.argb.empty()) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(picture_.argb.size() * 4);
    for (const std::uint32_t pixel : picture_.argb) {
      for (const int shift : {24, 16, 8, 0}) bytes.push_back(static_cast<std::uint8_t>(pixel >> shift));
    }
    g_variant_builder_add(&pixmaps, "(ii@ay)", picture_.width, picture_.height,
                          g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, bytes.data(), bytes.size(), 1));
  }
  return g_variant_builder_end(&pixmaps);
}

void TStatusNotifierItem::MethodCall(GDBusConnection* /*connection*/, const gchar* /*sender*/, const gchar* /*path*/,
                                     const gchar* /*interface*/, const gchar* method, GVariant* parameters,
                                     GDBusMethodInvocation* invocation, gpointer link) {
  // Held for the whole call: a menu command run by the press may end the item.
  const std::shared_ptr<TLink> hold = *static_cast<std::shared_ptr<TLink>*>(link);
  TStatusNotifierItem* self = hold->item;
  // Answered first: a menu opened by the click runs a loop of its own, and
  // the host must not wait for it to close.
  g_dbus_method_invocation_return_value(invocation, nullptr);
  if (self == nullptr) return;
  const std::string_view name(method);
  TMouseButton button = TMouseButton::mbLeft;
  if (name == "SecondaryActivate") {
    button = TMouseButton::mbMiddle;
  } else if (name == "ContextMenu") {
    button = TMouseButton::mbRight;
  } else if (name != "Activate") {
    return;  // scrolling means nothing to a tray icon here
  }
  gint32 x = 0;
  gint32 y = 0;
  g_variant_get(parameters, "(ii)", &x, &y);
  const TPoint at = RequestPlace(x, y);
  // A request is a whole click: a press, and its release unless the press ended the item.
  self->events_.PointerEvent({TPointerAction::paPress, button, at});
  if (hold->item != nullptr) self->events_.PointerEvent({TPointerAction::paRelease, button, at});
}

TPoint TStatusNotifierItem::RequestPlace(gint32 x, gint32 y) {
  GdkDisplay* display = gdk_display_get_default();
  if ((x != 0 || y != 0) || display == nullptr) return {x, y};
  gint pointer_x = 0;
  gint pointer_y = 0;
  gdk_device_get_position(gdk_seat_get_pointer(gdk_display_get_default_seat(display)), nullptr, &pointer_x, &pointer_y);
  return {pointer_x, pointer_y};
}

GVariant* TStatusNotifierItem::GetProperty(GDBusConnection* /*connection*/, const gchar* /*sender*/,
                                           const gchar* /*path*/, const gchar* /*interface*/, const gchar* property,
                                           GError** error, gpointer link) {
  const TStatusNotifierItem* self = Item(link);
  const std::string_view name(property);
  if (self == nullptr) {
    g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_OBJECT, "the item has gone");
    return nullptr;
  }
  if (name == "Category") return g_variant_new_string("ApplicationStatus");
  if (name == "Id") return g_variant_new_string("sonalix");
  if (name == "Title") return g_variant_new_string(self->tip_.c_str());
  if (name == "Status") return g_variant_new_string(StatusText(self->visible_));
  if (name == "IconName") return g_variant_new_string("");
  if (name == "IconPixmap") return self->Pixmaps();
  if (name == "ToolTip") return g_variant_new("(s@a(iiay)ss)", "", self->Pixmaps(), self->tip_.c_str(), "");
  if (name == "ItemIsMenu") return g_variant_new_boolean(FALSE);
  if (name == "Menu") return g_variant_new_object_path(self->menu_ != nullptr ? kMenuPath : kNoMenuPath);
  g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_PROPERTY, "no property %s", property);
  return nullptr;
}

void TStatusNotifierItem::WatcherAppeared(GDBusConnection* connection, const gchar* /*name*/, const gchar* owner,
                                          gpointer link) {
  TStatusNotifierItem* self = Item(link);
  if (self == nullptr) return;
  ++self->watcher_generation_;
  // Listened to before asking, so that no change between question and
  // answer goes unseen.
  self->StopListeningToHosts();
  self->hosts_signal_id_ = g_dbus_connection_signal_subscribe(
      connection, owner, kWatcherName, nullptr, kWatcherPath, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
      &TStatusNotifierItem::HostsChanged, self->NewLinkRef(), &TStatusNotifierItem::FreeLinkRef);
  self->AskForHosts(owner);
  g_dbus_connection_call(connection, owner, kWatcherPath, kWatcherName, "RegisterStatusNotifierItem",
                         g_variant_new("(s)", self->bus_name_.c_str()), nullptr, G_DBUS_CALL_FLAGS_NONE, -1,
                         self->cancellable_.get(), &TStatusNotifierItem::RegisterDone,
                         new TAnswer{self->NewLinkRef(), self->watcher_generation_});
}

void TStatusNotifierItem::WatcherVanished(GDBusConnection* /*connection*/, const gchar* /*name*/, gpointer link) {
  TStatusNotifierItem* self = Item(link);
  if (self == nullptr) return;
  ++self->watcher_generation_;
  self->StopListeningToHosts();
  self->Update(false, false);
}

void TStatusNotifierItem::StopListeningToHosts() {
  if (hosts_signal_id_ != 0) g_dbus_connection_signal_unsubscribe(connection_.get(), hosts_signal_id_);
  hosts_signal_id_ = 0;
}

void TStatusNotifierItem::AskForHosts(const std::string& owner) {
  g_dbus_connection_call(connection_.get(), owner.c_str(), kWatcherPath, "org.freedesktop.DBus.Properties", "Get",
                         g_variant_new("(ss)", kWatcherName, "IsStatusNotifierHostRegistered"), G_VARIANT_TYPE("(v)"),
                         G_DBUS_CALL_FLAGS_NONE, -1, cancellable_.get(), &TStatusNotifierItem::HostsAnswered,
                         new TAnswer{NewLinkRef(), watcher_generation_});
}

void TStatusNotifierItem::HostsChanged(GDBusConnection* /*connection*/, const gchar* sender, const gchar* /*path*/,
                                       const gchar* /*interface*/, const gchar* signal, GVariant* /*parameters*/,
                                       gpointer link) {
  TStatusNotifierItem* self = Item(link);
  const std::string_view name(signal);
  if (self == nullptr || (name != "StatusNotifierHostRegistered" && name != "StatusNotifierHostUnregistered")) return;
  // The watcher knows whether any host is left.
  self->AskForHosts(sender);
}

void TStatusNotifierItem::HostsAnswered(GObject* source, GAsyncResult* result, gpointer data) {
  const std::unique_ptr<TAnswer> answer(static_cast<TAnswer*>(data));
  GError* error = nullptr;
  const GVariantPtr reply(g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error));
  const GErrorPtr owned_error(error);
  TStatusNotifierItem* self = Item(answer->link);
  FreeLinkRef(answer->link);
  if (self == nullptr || answer->generation != self->watcher_generation_) return;
  // A watcher that cannot say is taken to have no host: the XEmbed icon stays.
  bool host = false;
  if (reply) {
    GVariant* value = nullptr;
    g_variant_get(reply.get(), "(v)", &value);
    const GVariantPtr owned_value(value);
    host = g_variant_is_of_type(value, G_VARIANT_TYPE_BOOLEAN) && g_variant_get_boolean(value) != FALSE;
  }
  self->Update(self->registered_, host);
}

void TStatusNotifierItem::RegisterDone(GObject* source, GAsyncResult* result, gpointer data) {
  const std::unique_ptr<TAnswer> registration(static_cast<TAnswer*>(data));
  GError* error = nullptr;
  const GVariantPtr reply(g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error));
  const GErrorPtr owned_error(error);
  TStatusNotifierItem* self = Item(registration->link);
  FreeLinkRef(registration->link);
  // A reply for a watcher that has gone since says nothing about the
  // watcher there is now, if any.
  if (self == nullptr || registration->generation != self->watcher_generation_) return;
  self->Update(reply != nullptr, self->host_);
}

void TStatusNotifierItem::Update(bool registered, bool host) {
  const bool was_hosted = Hosted();
  registered_ = registered;
  host_ = host;
  if (Hosted() != was_hosted) hosted_changed_(Hosted());
}

}  // namespace snx
