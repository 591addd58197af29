#pragma once
// A StatusNotifierWatcher that a test controls: how it answers a
// registration, and whether a host (what draws the items) has registered
// with it. The tray tests run it on a bus of their own; the end-to-end tests
// run it on a bus of their own beside the desktop's, whose watcher is the
// panel's (xprobe watcher).
#include <gio/gio.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "trayicon/linux/gobject_ptr.h"

namespace snx::testing {

// Runs the default main context until `done` holds; false when the time is up.
template <class Done>
bool PumpUntil(Done done, guint timeout_ms = 10000) {
  bool timed_out = false;
  const guint timer = g_timeout_add(
      timeout_ms,
      [](gpointer flag) -> gboolean {
        *static_cast<bool*>(flag) = true;
        return G_SOURCE_REMOVE;
      },
      &timed_out);
  while (!done() && !timed_out) g_main_context_iteration(nullptr, TRUE);
  if (!timed_out) g_source_remove(timer);
  return done();
}

// How the watcher answers a registration.
enum class WatcherAnswer { kAccept, kRefuse, kVanishThenAccept };

class FakeWatcher {
 public:
  // Serves on `connection` (a bus client connection of its own) until it goes.
  FakeWatcher(GObjectPtr<GDBusConnection> connection, WatcherAnswer answer, bool host)
      : connection_(std::move(connection)), answer_(answer), host_(host) {
    const char* xml =
        "<node><interface name='org.kde.StatusNotifierWatcher'>"
        "<method name='RegisterStatusNotifierItem'><arg type='s' direction='in'/></method>"
        "<property name='IsStatusNotifierHostRegistered' type='b' access='read'/>"
        "<property name='RegisteredStatusNotifierItems' type='as' access='read'/>"
        "<property name='ProtocolVersion' type='i' access='read'/>"
        "<signal name='StatusNotifierItemRegistered'><arg type='s'/></signal>"
        "<signal name='StatusNotifierHostRegistered'/><signal name='StatusNotifierHostUnregistered'/>"
        "</interface></node>";
    GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(xml, nullptr);
    static const GDBusInterfaceVTable kTable = {&FakeWatcher::MethodCall, &FakeWatcher::GetProperty, nullptr, {}};
    object_id_ = g_dbus_connection_register_object(connection_.get(), kPath, node->interfaces[0], &kTable, this,
                                                   nullptr, nullptr);
    g_dbus_node_info_unref(node);
    owner_id_ = g_bus_own_name_on_connection(connection_.get(), kName, G_BUS_NAME_OWNER_FLAGS_NONE, nullptr, nullptr,
                                             nullptr, nullptr);
  }
  ~FakeWatcher() {
    if (owner_id_ != 0) g_bus_unown_name(owner_id_);
    g_dbus_connection_unregister_object(connection_.get(), object_id_);
    g_dbus_connection_close_sync(connection_.get(), nullptr, nullptr);
  }
  FakeWatcher(const FakeWatcher&) = delete;
  FakeWatcher& operator=(const FakeWatcher&) = delete;

  const std::vector<std::string>& Registered() const { return registered_; }
  // Runs as a registration arrives, before it is answered.
  std::function<void()> during_register;

  // A host registers with the watcher, or its last host goes.
  void SetHost(bool host) {
    host_ = host;
    g_dbus_connection_emit_signal(connection_.get(), nullptr, kPath, kName,
                                  host ? "StatusNotifierHostRegistered" : "StatusNotifierHostUnregistered", nullptr,
                                  nullptr);
  }

  // A call to `item` on the connection that answered it: the bus keeps one
  // sender's messages in order, so once this returns the item has handled
  // whatever the watcher sent it before.
  void Ping(const std::string& item) { Call(item, "org.freedesktop.DBus.Peer", "Ping", nullptr); }
  // What a host does on a right click: asks the item for its menu at a point.
  void ContextMenu(const std::string& item, int x, int y) {
    Call(item, "org.kde.StatusNotifierItem", "ContextMenu", g_variant_new("(ii)", x, y));
  }

 private:
  static constexpr const char* kName = "org.kde.StatusNotifierWatcher";
  static constexpr const char* kPath = "/StatusNotifierWatcher";

  void Call(const std::string& item, const char* interface, const char* method, GVariant* parameters) {
    bool answered = false;
    g_dbus_connection_call(
        connection_.get(), item.c_str(), "/StatusNotifierItem", interface, method, parameters, nullptr,
        G_DBUS_CALL_FLAGS_NONE, -1, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer flag) {
          GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, nullptr);
          if (reply != nullptr) g_variant_unref(reply);
          *static_cast<bool*>(flag) = true;
        },
        &answered);
    PumpUntil([&] { return answered; });
  }

  static void MethodCall(GDBusConnection* /*connection*/, const gchar* /*sender*/, const gchar* /*path*/,
                         const gchar* /*interface*/, const gchar* /*method*/, GVariant* parameters,
                         GDBusMethodInvocation* invocation, gpointer data) {
    auto* self = static_cast<FakeWatcher*>(data);
    const gchar* item = nullptr;
    g_variant_get(parameters, "(&s)", &item);
    self->registered_.emplace_back(item);
    if (self->during_register) self->during_register();
    switch (self->answer_) {
      case WatcherAnswer::kAccept:
        g_dbus_method_invocation_return_value(invocation, nullptr);
        break;
      case WatcherAnswer::kRefuse:
        g_dbus_method_invocation_return_dbus_error(invocation, "org.freedesktop.DBus.Error.Failed", "refused");
        break;
      case WatcherAnswer::kVanishThenAccept:
        // The name is given up before the answer leaves, on the same
        // connection: the bus tells the item of the loss first, then hands
        // it the success.
        g_bus_unown_name(self->owner_id_);
        self->owner_id_ = 0;
        g_dbus_method_invocation_return_value(invocation, nullptr);
        break;
    }
  }

  static GVariant* GetProperty(GDBusConnection* /*connection*/, const gchar* /*sender*/, const gchar* /*path*/,
                               const gchar* /*interface*/, const gchar* property, GError** error, gpointer data) {
    const auto* self = static_cast<const FakeWatcher*>(data);
    const std::string name(property);
    if (name == "IsStatusNotifierHostRegistered") return g_variant_new_boolean(self->host_ ? TRUE : FALSE);
    if (name == "ProtocolVersion") return g_variant_new_int32(0);
    if (name == "RegisteredStatusNotifierItems") {
      GVariantBuilder items;
      g_variant_builder_init(&items, G_VARIANT_TYPE("as"));
      for (const std::string& item : self->registered_) g_variant_builder_add(&items, "s", item.c_str());
      return g_variant_builder_end(&items);
    }
    g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_PROPERTY, "no property %s", property);
    return nullptr;
  }

  GObjectPtr<GDBusConnection> connection_;
  WatcherAnswer answer_;
  bool host_;
  std::vector<std::string> registered_;
  guint object_id_ = 0;
  guint owner_id_ = 0;
};

}  // namespace snx::testing
