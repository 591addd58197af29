#pragma once
// A session bus of the test's own, so that no watcher of the desktop's
// answers; the test runs a StatusNotifierWatcher of its own on it.
#include <gio/gio.h>

#include <csignal>
#include <stdexcept>
#include <string>

#include "tests/linux/fake_watcher.h"
#include "trayicon/linux/gobject_ptr.h"

namespace snx::testing {

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

}  // namespace snx::testing
