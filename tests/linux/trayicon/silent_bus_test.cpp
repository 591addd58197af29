// A session bus that takes connections and never answers, as a stopped bus
// daemon does. Its own test program: the process's one connection to the
// session bus is made once, to the bus named when it is first asked for.
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "tests/linux/trayicon/tray_test_parts.h"
#include "tests/patience.h"
#include "trayicon/core/tray_icon.h"

namespace snx::testing {
namespace {

TEST(SilentBusTest, ABusThatNeverAnswersHoldsNothingUpAndTheStatusIconServes) {
  ASSERT_TRUE(gtk_init_check(nullptr, nullptr)) << "no display";
  const std::string path = g_get_tmp_dir() + std::string("/sonalix-silent-bus-") + std::to_string(getpid());
  const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  path.copy(address.sun_path, sizeof address.sun_path - 1);
  ASSERT_EQ(bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 8), 0);
  ASSERT_TRUE(g_setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + path).c_str(), TRUE));
  // Silent until the test lets it go, or gives up waiting for the icon.
  std::mutex mutex;
  std::condition_variable changed;
  bool made = false;
  bool given_up = false;
  std::thread bus([&] {
    std::unique_lock lock(mutex);
    given_up = !changed.wait_for(lock, kPatience, [&] { return made; });
    close(listener);
  });

  bool made_while_silent = false;
  {
    TestApplication application;
    TLinuxTray tray(TTrayBus::tbSession);
    TestForms forms{tray};
    TTrayIconIds ids;
    const TTrayPlatform platform{tray, tray, tray, forms, ids};
    // Goes first, with the icon and the callback window, which use the tray.
    const auto owner = std::make_unique<TComponent>(&application);
    auto* icon = new TTrayIcon(owner.get(), platform);
    icon->SetTipHelp("Sonalix");
    icon->SetVisible(true);
    {
      const std::lock_guard lock(mutex);
      made_while_silent = !given_up;
      made = true;
    }
    changed.notify_all();
    EXPECT_EQ(tray.Presence(icon->IconID()), TTrayPresence::tpStatusIcon);
  }
  bus.join();
  unlink(path.c_str());
  EXPECT_TRUE(made_while_silent) << "the icon waited for the bus";
}

}  // namespace
}  // namespace snx::testing
