// What every native test relies on from the private desktop it runs on: its
// own display, audio server and session bus, and a home and configuration
// folder of its own, never the caller's.
#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <gio/gio.h>

#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace snx {
namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// A program's standard output, or the reason it could not be had.
std::string Output(std::initializer_list<const char*> command) {
  std::vector<char*> argv;
  for (const char* arg : command) argv.push_back(const_cast<char*>(arg));
  argv.push_back(nullptr);
  gchar* out = nullptr;
  gint status = 0;
  GError* error = nullptr;
  if (!g_spawn_sync(nullptr, argv.data(), nullptr,
                    static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_STDERR_TO_DEV_NULL), nullptr, nullptr, &out,
                    nullptr, &status, &error)) {
    std::string reason = error->message;
    g_error_free(error);
    return "cannot run: " + reason;
  }
  std::string text = out;
  g_free(out);
  if (!g_spawn_check_wait_status(status, nullptr)) return "failed: " + text;
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

TEST(LinuxDesktopTest, HasAScreenOfTheSizeTheStripsPositionsAssume) {
  std::unique_ptr<Display, int (*)(Display*)> display(XOpenDisplay(nullptr), XCloseDisplay);
  ASSERT_NE(display, nullptr) << "DISPLAY=" << Environment("DISPLAY");
  EXPECT_EQ(DisplayWidth(display.get(), DefaultScreen(display.get())), 1024);
  EXPECT_EQ(DisplayHeight(display.get(), DefaultScreen(display.get())), 768);
  EXPECT_EQ(DefaultDepth(display.get(), DefaultScreen(display.get())), 24);
}

TEST(LinuxDesktopTest, RecordsFromTheNullSinksMonitorByDefault) {
  EXPECT_EQ(Output({"pactl", "get-default-sink"}), "vsink");
  EXPECT_EQ(Output({"pactl", "get-default-source"}), "vsink.monitor");
}

TEST(LinuxDesktopTest, OwnsASessionBusThatAnswers) {
  GError* error = nullptr;
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
  ASSERT_NE(bus, nullptr) << error->message;
  GVariant* reply =
      g_dbus_connection_call_sync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "GetId",
                                  nullptr, G_VARIANT_TYPE("(s)"), G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, &error);
  EXPECT_NE(reply, nullptr) << (error != nullptr ? error->message : "");
  if (reply != nullptr) g_variant_unref(reply);
  if (error != nullptr) g_error_free(error);
  g_object_unref(bus);
}

TEST(LinuxDesktopTest, KeepsHomeSettingsAndRuntimeFilesInsideTheDesktop) {
  const std::filesystem::path home = Environment("HOME");
  ASSERT_FALSE(home.empty());
  const std::filesystem::path desktop = home.parent_path();
  for (const char* name : {"XDG_CONFIG_HOME", "XDG_RUNTIME_DIR"}) {
    const std::filesystem::path folder = Environment(name);
    EXPECT_EQ(folder.parent_path(), desktop) << name << "=" << folder;
    EXPECT_TRUE(std::filesystem::is_directory(folder)) << name << "=" << folder;
  }
  EXPECT_TRUE(std::filesystem::is_directory(home));
}

}  // namespace
}  // namespace snx
