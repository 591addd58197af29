#pragma once
// A session bus of the test's own, so that no watcher of the desktop's
// answers, and a StatusNotifierWatcher on it that the test controls.
#include <gio/gio.h>

#include <csignal>
#include <functional>
#include <stdexcept>
#include <string>
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

class PrivateBus {
 public:
  PrivateBus() {
    gchar* out = nullptr;
    gint status = 0;
    const char* argv[] = {"dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1", nullptr};
    if (!g_spawn_sync(nullptr, const_cast<gchar**>(argv), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, &out, nullptr,
                      &status, nullptr) ||
        status != 0) {
      throw std::runtime_error("dbus-daemon did not start");
    }
    const std::string text = out;
    g_free(out);
    const auto line_end = text.find('\n');
    address_ = text.substr(0, line_end);
    pid_ = std::stoi(text.substr(line_end + 1));
  }
  ~PrivateBus() { kill(pid_, SIGTERM); }
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;

  const std::string& Address() const { return address_; }
  // A client connection of the test's own.
  GObjectPtr<GDBusConnection> Connect() const {
    return GObjectPtr<GDBusConnection>(g_dbus_connection_new_for_address_sync(
        address_.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr));
  }

 private:
  std::string address_;
  int pid_ = 0;
};

// How the watcher answers a registration.
enum class WatcherAnswer { kAccept, kRefuse, kVanishThenAccept };

class FakeWatcher {
 public:
  FakeWatcher(const PrivateBus& bus, WatcherAnswer answer) : connection_(bus.Connect()), answer_(answer) {
    const char* xml =
        "<node><interface name='org.kde.StatusNotifierWatcher'>"
        "<method name='RegisterStatusNotifierItem'><arg type='s' direction='in'/></method>"
        "</interface></node>";
    GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(xml, nullptr);
    static const GDBusInterfaceVTable kTable = {&FakeWatcher::MethodCall, nullptr, nullptr, {}};
    object_id_ = g_dbus_connection_register_object(connection_.get(), "/StatusNotifierWatcher", node->interfaces[0],
                                                   &kTable, this, nullptr, nullptr);
    g_dbus_node_info_unref(node);
    owner_id_ = g_bus_own_name_on_connection(connection_.get(), "org.kde.StatusNotifierWatcher",
                                             G_BUS_NAME_OWNER_FLAGS_NONE, nullptr, nullptr, nullptr, nullptr);
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

  // A call to `item` on the connection that answered it: the bus keeps one
  // sender's messages in order, so once this returns the item has handled
  // the answer.
  void Ping(const std::string& item) {
    bool answered = false;
    g_dbus_connection_call(
        connection_.get(), item.c_str(), "/StatusNotifierItem", "org.freedesktop.DBus.Peer", "Ping", nullptr, nullptr,
        G_DBUS_CALL_FLAGS_NONE, -1, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer flag) {
          GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, nullptr);
          if (reply != nullptr) g_variant_unref(reply);
          *static_cast<bool*>(flag) = true;
        },
        &answered);
    PumpUntil([&] { return answered; });
  }

 private:
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

  GObjectPtr<GDBusConnection> connection_;
  WatcherAnswer answer_;
  std::vector<std::string> registered_;
  guint object_id_ = 0;
  guint owner_id_ = 0;
};

}  // namespace snx::testing
