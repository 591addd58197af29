#include "trayicon/linux/linux_tray.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "framework/core/application.h"
#include "framework/core/menu.h"
#include "tests/linux/patience.h"
#include "tests/linux/trayicon/docked_windows.h"
#include "tests/linux/trayicon/private_bus.h"
#include "trayicon/core/tray_icon.h"

namespace snx::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::PrintToString;
using Log = std::vector<std::string>;

std::string At(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }

// The application's side as a log: menus are shown at a point and closed at once.
class TestApplication final : public TApplication {
 public:
  std::string ExeName() const override { return "/opt/sonalix/sonalix"; }
  void ProcessMessages() override { log.emplace_back("process messages"); }
  void Terminate() override { log.emplace_back("terminate"); }
  TMenuItem* TrackPopupMenu(const TPopupMenu& menu, int x, int y) override {
    log.push_back("popup " + menu.Name() + " at " + At(x, y));
    return nullptr;
  }
  Log log;

 protected:
  void ShowErrorBox(const std::string& text, const std::string&) override { log.push_back("error " + text); }
};

// The program's forms as the strip's are: no icon of their own, so the tray
// shows the program's.
class TestForms final : public TTrayForms {
 public:
  explicit TestForms(const TLinuxTray& tray) : tray_(tray) {}
  bool ForegroundForm(TComponent*) override { return false; }
  void ForegroundActiveForm() override {}
  TIconHandle FormIcon(TComponent*) override { return 0; }
  TIconHandle ApplicationIcon() override { return tray_.ProgramIcon()->Handle(); }

 private:
  const TLinuxTray& tray_;
};

// A tray icon of the program's kind (tip "Sonalix", a right-button menu)
// on a session bus of the test's own.
class LinuxTrayTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(gtk_init_check(nullptr, nullptr)) << "no display"; }

  TTrayIcon* NewTray() {
    auto* menu = new TPopupMenu(owner_.get());
    menu->SetName("PopupMenu");
    auto* tray = new TTrayIcon(owner_.get(), platform_);
    tray->SetTipHelp("Sonalix");
    tray->SetRBPopupMenu(menu);
    tray->OnMouseDown = [this](TObject*, TMouseButton button, TShiftState, int x, int y) {
      application_.log.push_back("down " + ButtonName(button) + " at " + At(x, y));
    };
    tray->OnMouseUp = [this](TObject*, TMouseButton button, TShiftState, int x, int y) {
      application_.log.push_back("up " + ButtonName(button) + " at " + At(x, y));
    };
    tray->OnDblClick = [this](TObject*) { application_.log.emplace_back("double click"); };
    tray->SetVisible(true);
    return tray;
  }
  static std::string ButtonName(TMouseButton button) {
    return button == TMouseButton::mbLeft ? "left" : button == TMouseButton::mbRight ? "right" : "middle";
  }
  static std::string ItemName(const TTrayIcon& tray) {
    return "org.kde.StatusNotifierItem-" + std::to_string(getpid()) + "-" + std::to_string(tray.IconID());
  }
  TTrayPresence Presence(const TTrayIcon& tray) const { return tray_.Presence(tray.IconID()); }
  bool PresenceBecomes(const TTrayIcon& tray, TTrayPresence presence) {
    return PumpUntil([&] { return Presence(tray) == presence; });
  }

  // A call to the item from the test's own connection, answered once the
  // main context has run the item's handler.
  GVariantPtr CallItem(const TTrayIcon& tray, const char* interface, const char* method, GVariant* parameters) {
    struct Call {
      GVariant* reply = nullptr;
      bool done = false;
    } call;
    g_dbus_connection_call(
        client_.get(), ItemName(tray).c_str(), "/StatusNotifierItem", interface, method, parameters, nullptr,
        G_DBUS_CALL_FLAGS_NONE, -1, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
          auto* c = static_cast<Call*>(data);
          c->reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, nullptr);
          c->done = true;
        },
        &call);
    PumpUntil([&] { return call.done; });
    return GVariantPtr(call.reply);
  }
  GVariantPtr Property(const TTrayIcon& tray, const char* name) {
    GVariantPtr reply = CallItem(tray, "org.freedesktop.DBus.Properties", "Get",
                                 g_variant_new("(ss)", "org.kde.StatusNotifierItem", name));
    if (!reply) return nullptr;
    GVariant* value = nullptr;
    g_variant_get(reply.get(), "(v)", &value);
    return GVariantPtr(value);
  }
  std::string StringProperty(const TTrayIcon& tray, const char* name) {
    const GVariantPtr value = Property(tray, name);
    return value ? g_variant_get_string(value.get(), nullptr) : "(none)";
  }

  PrivateBus bus_;
  GObjectPtr<GDBusConnection> client_ = bus_.Connect();
  TestApplication application_;
  TLinuxTray tray_{bus_.Address()};
  TestForms forms_{tray_};
  TTrayIconIds ids_;
  const TTrayPlatform platform_{tray_, tray_, tray_, forms_, ids_};
  std::unique_ptr<TComponent> owner_ = std::make_unique<TComponent>(&application_);
};

TEST_F(LinuxTrayTest, AWatcherTakesTheItemWhichShowsTheTipAndTheProgramsPicture) {
  FakeWatcher watcher(bus_.Connect(), WatcherAnswer::kAccept, true);
  TTrayIcon* tray = NewTray();
  ASSERT_TRUE(PresenceBecomes(*tray, TTrayPresence::tpStatusNotifierItem));
  EXPECT_THAT(watcher.Registered(), ElementsAre(ItemName(*tray)));
  EXPECT_EQ(tray_.StatusIcon(tray->IconID()), nullptr);
  EXPECT_EQ(StringProperty(*tray, "Title"), "Sonalix");
  EXPECT_EQ(StringProperty(*tray, "Id"), "sonalix");
  EXPECT_EQ(StringProperty(*tray, "Category"), "ApplicationStatus");
  EXPECT_EQ(StringProperty(*tray, "Status"), "Active");

  const GVariantPtr tip = Property(*tray, "ToolTip");
  ASSERT_TRUE(tip);
  const gchar* title = nullptr;
  const gchar* text = nullptr;
  GVariant* pixmaps = nullptr;
  g_variant_get(tip.get(), "(&s@a(iiay)&s&s)", nullptr, &pixmaps, &title, &text);
  const GVariantPtr owned_pixmaps(pixmaps);
  EXPECT_STREQ(title, "Sonalix");
  EXPECT_STREQ(text, "");

  // One 32x32 picture, ARGB in network order: the icon's dark frame, then its red face.
  const GVariantPtr icon = Property(*tray, "IconPixmap");
  ASSERT_TRUE(icon);
  ASSERT_EQ(g_variant_n_children(icon.get()), 1u);
  gint32 width = 0;
  gint32 height = 0;
  GVariant* bytes = nullptr;
  g_variant_get_child(icon.get(), 0, "(ii@ay)", &width, &height, &bytes);
  const GVariantPtr owned_bytes(bytes);
  EXPECT_EQ(width, 32);
  EXPECT_EQ(height, 32);
  gsize size = 0;
  const auto* argb = static_cast<const std::uint8_t*>(g_variant_get_fixed_array(bytes, &size, 1));
  ASSERT_EQ(size, 32u * 32u * 4u);
  EXPECT_THAT(std::vector<int>(argb, argb + 4), ElementsAre(0xFF, 0x51, 0x00, 0x00));
  const std::uint8_t* inner = argb + 132;  // row 1, column 1
  EXPECT_THAT(std::vector<int>(inner, inner + 4), ElementsAre(0xFF, 0xD8, 0x20, 0x20));

  tray->SetVisible(false);
  EXPECT_EQ(StringProperty(*tray, "Status"), "Passive");
  // A host reads the tip again when told it changed.
  std::vector<std::string> signals;
  const guint subscription = g_dbus_connection_signal_subscribe(
      client_.get(), nullptr, "org.kde.StatusNotifierItem", nullptr, "/StatusNotifierItem", nullptr,
      G_DBUS_SIGNAL_FLAGS_NONE,
      [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* signal, GVariant*, gpointer seen) {
        static_cast<std::vector<std::string>*>(seen)->emplace_back(signal);
      },
      &signals, nullptr);
  // The bus takes the subscription before this call, which follows it on the
  // same connection; a signal sent earlier could pass it.
  EXPECT_EQ(StringProperty(*tray, "Title"), "Sonalix");
  tray->SetTipHelp("Sonalix 2");
  EXPECT_TRUE(PumpUntil([&] { return std::ranges::count(signals, "NewToolTip") == 1; })) << PrintToString(signals);
  g_dbus_connection_signal_unsubscribe(client_.get(), subscription);
  EXPECT_EQ(StringProperty(*tray, "Title"), "Sonalix 2");
}

// The bus takes only UTF-8 (GVariant aborts the program on anything else):
// the core cuts a long tip to whole characters, and bytes that are no
// character show as the replacement character.
TEST_F(LinuxTrayTest, TipsReachTheHostAsWholeCharacters) {
  FakeWatcher watcher(bus_.Connect(), WatcherAnswer::kAccept, true);
  TTrayIcon* tray = NewTray();
  ASSERT_TRUE(PresenceBecomes(*tray, TTrayPresence::tpStatusNotifierItem));
  tray->SetTipHelp("Sonalix \xFF");
  EXPECT_EQ(StringProperty(*tray, "Title"), "Sonalix \uFFFD");
  std::string tip = "Sonalix ";
  for (int i = 0; i < 20; ++i) tip += "音";  // 68 bytes; the 63rd is inside the 19th character
  tray->SetTipHelp(tip);
  EXPECT_EQ(StringProperty(*tray, "Title"), tip.substr(0, 62));
  watcher.SetHost(false);
  ASSERT_TRUE(PresenceBecomes(*tray, TTrayPresence::tpStatusIcon));
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  gchar* shown = gtk_status_icon_get_tooltip_text(tray_.StatusIcon(tray->IconID()));
  G_GNUC_END_IGNORE_DEPRECATIONS
  EXPECT_STREQ(shown, tip.substr(0, 62).c_str());
  g_free(shown);
}

struct ItemClickCase {
  const char* method;
  int x, y;
  Log expected;
};

void PrintTo(const ItemClickCase& c, std::ostream* os) { *os << c.method; }

class ItemClickTest : public LinuxTrayTest, public ::testing::WithParamInterface<ItemClickCase> {};

TEST_P(ItemClickTest, TheHostsRequestsReachTheComponentAsClicksAtTheirPoint) {
  FakeWatcher watcher(bus_.Connect(), WatcherAnswer::kAccept, true);
  TTrayIcon* tray = NewTray();
  ASSERT_TRUE(PresenceBecomes(*tray, TTrayPresence::tpStatusNotifierItem));
  const ItemClickCase& c = GetParam();
  ASSERT_TRUE(CallItem(*tray, "org.kde.StatusNotifierItem", c.method, g_variant_new("(ii)", c.x, c.y)));
  EXPECT_THAT(application_.log, ElementsAreArray(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Methods, ItemClickTest,
    ::testing::Values(ItemClickCase{"ContextMenu", 500, 400, {"popup PopupMenu at 500,400", "up right at 500,400"}},
                      ItemClickCase{"Activate", 10, 20, {"down left at 10,20", "up left at 10,20"}},
                      ItemClickCase{"SecondaryActivate", 3, 4, {"down middle at 3,4", "up middle at 3,4"}}));

TEST_F(LinuxTrayTest, WithoutAWatcherTheStatusIconDocksInTheTrayHostWithTheTip) {
  TTrayIcon* tray = NewTray();
  EXPECT_EQ(Presence(*tray), TTrayPresence::tpStatusIcon);
  GtkStatusIcon* icon = tray_.StatusIcon(tray->IconID());
  ASSERT_NE(icon, nullptr);
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  ASSERT_TRUE(PumpUntil([&] { return gtk_status_icon_is_embedded(icon) != FALSE; })) << "not docked";
  gchar* tip = gtk_status_icon_get_tooltip_text(icon);
  EXPECT_STREQ(tip, "Sonalix");
  g_free(tip);
  G_GNUC_END_IGNORE_DEPRECATIONS
  EXPECT_TRUE(PumpUntil([] {
    const auto docked = DockedNames();
    return std::find(docked.begin(), docked.end(), "Sonalix") != docked.end();
  })) << "no window named Sonalix in the tray host's panel";
  delete tray;
  EXPECT_TRUE(PumpUntil([] {
    const auto docked = DockedNames();
    return std::find(docked.begin(), docked.end(), "Sonalix") == docked.end();
  })) << "the deleted icon stays docked";
}

struct ButtonEvent {
  GdkEventType type;
  guint button;
};

struct StatusIconClickCase {
  const char* name;
  std::vector<ButtonEvent> events;
  Log expected;
};

void PrintTo(const StatusIconClickCase& c, std::ostream* os) { *os << c.name; }

class StatusIconClickTest : public LinuxTrayTest, public ::testing::WithParamInterface<StatusIconClickCase> {};

TEST_P(StatusIconClickTest, ButtonEventsReachTheComponentAsPointerEvents) {
  TTrayIcon* tray = NewTray();
  GtkStatusIcon* icon = tray_.StatusIcon(tray->IconID());
  ASSERT_NE(icon, nullptr);
  for (const ButtonEvent& e : GetParam().events) {
    GdkEvent* event = gdk_event_new(e.type);
    event->button.button = e.button;
    event->button.x_root = 70;
    event->button.y_root = 750;
    gboolean handled = FALSE;
    g_signal_emit_by_name(icon, e.type == GDK_BUTTON_RELEASE ? "button-release-event" : "button-press-event", event,
                          &handled);
    gdk_event_free(event);
  }
  EXPECT_THAT(application_.log, ElementsAreArray(GetParam().expected));
}

constexpr ButtonEvent kPress1{GDK_BUTTON_PRESS, 1};
constexpr ButtonEvent kDouble1{GDK_2BUTTON_PRESS, 1};
constexpr ButtonEvent kRelease1{GDK_BUTTON_RELEASE, 1};
constexpr ButtonEvent kPress3{GDK_BUTTON_PRESS, 3};
constexpr ButtonEvent kDouble3{GDK_2BUTTON_PRESS, 3};
constexpr ButtonEvent kRelease3{GDK_BUTTON_RELEASE, 3};

INSTANTIATE_TEST_SUITE_P(
    Buttons, StatusIconClickTest,
    ::testing::Values(
        StatusIconClickCase{
            "right click opens the menu", {kPress3, kRelease3}, {"popup PopupMenu at 70,750", "up right at 70,750"}},
        StatusIconClickCase{"left click", {kPress1, kRelease1}, {"down left at 70,750", "up left at 70,750"}},
        StatusIconClickCase{
            "left double click",
            {kPress1, kRelease1, kPress1, kDouble1, kRelease1},
            {"down left at 70,750", "up left at 70,750", "down left at 70,750", "double click", "up left at 70,750"}},
        StatusIconClickCase{
            "right double click raises nothing more",
            {kPress3, kRelease3, kPress3, kDouble3, kRelease3},
            {"popup PopupMenu at 70,750", "up right at 70,750", "popup PopupMenu at 70,750", "up right at 70,750"}},
        StatusIconClickCase{"middle click",
                            {{GDK_BUTTON_PRESS, 2}, {GDK_BUTTON_RELEASE, 2}},
                            {"down middle at 70,750", "up middle at 70,750"}}),
    [](const ::testing::TestParamInfo<StatusIconClickCase>& param_info) {
      std::string name = param_info.param.name;
      for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      }
      return name;
    });

// The wait that tells a single click from a double one ends on the main
// context, where what the click handler raises reaches the error box.
TEST_F(LinuxTrayTest, ASingleClickIsRaisedOnTheMainContextOnceTheDoubleClickTimeHasPassed) {
  TTrayIcon* tray = NewTray();
  tray->OnMouseUp = nullptr;
  const std::thread::id main_thread = std::this_thread::get_id();
  int clicks = 0;
  tray->OnClick = [&](TObject*) {
    clicks += std::this_thread::get_id() == main_thread ? 1 : 100;
    throw Exception("click handler failed");
  };
  GtkStatusIcon* icon = tray_.StatusIcon(tray->IconID());
  ASSERT_NE(icon, nullptr);
  for (const GdkEventType type : {GDK_BUTTON_PRESS, GDK_BUTTON_RELEASE}) {
    GdkEvent* event = gdk_event_new(type);
    event->button.button = 1;
    event->button.x_root = 70;
    event->button.y_root = 750;
    gboolean handled = FALSE;
    g_signal_emit_by_name(icon, type == GDK_BUTTON_RELEASE ? "button-release-event" : "button-press-event", event,
                          &handled);
    gdk_event_free(event);
  }
  const auto released = std::chrono::steady_clock::now();
  ASSERT_TRUE(PumpUntil([&] { return clicks != 0; }));
  EXPECT_GE(std::chrono::steady_clock::now() - released, std::chrono::milliseconds(tray_.DoubleClickTime() + 50));
  EXPECT_EQ(clicks, 1);
  EXPECT_THAT(application_.log, ElementsAre("down left at 70,750", "error click handler failed."));
}

TEST_F(LinuxTrayTest, AWatcherWithoutAHostKeepsTheStatusIconUntilAHostComesAndAfterItGoes) {
  FakeWatcher watcher(bus_.Connect(), WatcherAnswer::kAccept, false);
  TTrayIcon* tray = NewTray();
  ASSERT_TRUE(PumpUntil([&] { return !watcher.Registered().empty(); }));
  watcher.Ping(ItemName(*tray));
  EXPECT_EQ(Presence(*tray), TTrayPresence::tpStatusIcon) << "nothing would show the icon";
  watcher.SetHost(true);
  ASSERT_TRUE(PresenceBecomes(*tray, TTrayPresence::tpStatusNotifierItem));
  watcher.SetHost(false);
  ASSERT_TRUE(PresenceBecomes(*tray, TTrayPresence::tpStatusIcon));
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  gchar* tip = gtk_status_icon_get_tooltip_text(tray_.StatusIcon(tray->IconID()));
  EXPECT_STREQ(tip, "Sonalix");
  g_free(tip);
  G_GNUC_END_IGNORE_DEPRECATIONS
}

TEST_F(LinuxTrayTest, ABusThatNeverAnswersHoldsNothingUpAndTheStatusIconServes) {
  // A bus that takes connections and says nothing, as a stopped bus daemon
  // does, until the test lets it go (or gives up waiting for the icon).
  const std::string path = g_get_tmp_dir() + std::string("/sonalix-silent-bus-") + std::to_string(getpid());
  const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  path.copy(address.sun_path, sizeof address.sun_path - 1);
  ASSERT_EQ(bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 8), 0);
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
    TLinuxTray tray("unix:path=" + path);
    TestForms forms{tray};
    TTrayIconIds ids;
    const TTrayPlatform platform{tray, tray, tray, forms, ids};
    // Goes first, with the icon and the callback window, which use the tray.
    const auto owner = std::make_unique<TComponent>(&application_);
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

TEST_F(LinuxTrayTest, TheWatcherComingAndGoingSwitchesBetweenItemAndStatusIcon) {
  TTrayIcon* tray = NewTray();
  EXPECT_EQ(Presence(*tray), TTrayPresence::tpStatusIcon);
  auto watcher = std::make_unique<FakeWatcher>(bus_.Connect(), WatcherAnswer::kAccept, true);
  ASSERT_TRUE(PresenceBecomes(*tray, TTrayPresence::tpStatusNotifierItem));
  watcher.reset();
  ASSERT_TRUE(PresenceBecomes(*tray, TTrayPresence::tpStatusIcon));
  GtkStatusIcon* icon = tray_.StatusIcon(tray->IconID());
  ASSERT_NE(icon, nullptr);
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  gchar* tip = gtk_status_icon_get_tooltip_text(icon);
  EXPECT_STREQ(tip, "Sonalix");  // the status icon comes back as it was
  g_free(tip);
  G_GNUC_END_IGNORE_DEPRECATIONS
  watcher = std::make_unique<FakeWatcher>(bus_.Connect(), WatcherAnswer::kAccept, true);
  ASSERT_TRUE(PresenceBecomes(*tray, TTrayPresence::tpStatusNotifierItem));
  EXPECT_THAT(watcher->Registered(), ElementsAre(ItemName(*tray)));
}

struct AnswerCase {
  const char* name;
  WatcherAnswer answer;
  TTrayPresence presence;
};

void PrintTo(const AnswerCase& c, std::ostream* os) { *os << c.name; }

class WatcherAnswerTest : public LinuxTrayTest, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(WatcherAnswerTest, OnlyAnAcceptanceByTheWatcherStillThereRetiresTheStatusIcon) {
  FakeWatcher watcher(bus_.Connect(), GetParam().answer, true);
  TTrayIcon* tray = NewTray();
  ASSERT_TRUE(PumpUntil([&] { return !watcher.Registered().empty(); }));
  watcher.Ping(ItemName(*tray));
  EXPECT_EQ(Presence(*tray), GetParam().presence);
  EXPECT_EQ(tray_.StatusIcon(tray->IconID()) != nullptr, GetParam().presence == TTrayPresence::tpStatusIcon);
}

INSTANTIATE_TEST_SUITE_P(Answers, WatcherAnswerTest,
                         ::testing::Values(AnswerCase{"accepted", WatcherAnswer::kAccept,
                                                      TTrayPresence::tpStatusNotifierItem},
                                           AnswerCase{"refused", WatcherAnswer::kRefuse, TTrayPresence::tpStatusIcon},
                                           AnswerCase{"accepted after vanishing", WatcherAnswer::kVanishThenAccept,
                                                      TTrayPresence::tpStatusIcon}),
                         [](const ::testing::TestParamInfo<AnswerCase>& param_info) {
                           std::string name = param_info.param.name;
                           for (char& c : name) {
                             if (c == ' ') c = '_';
                           }
                           return name;
                         });

TEST_F(LinuxTrayTest, AnIconDeletedWhileItsRegistrationIsAnsweredLeavesNothingBehind) {
  FakeWatcher watcher(bus_.Connect(), WatcherAnswer::kAccept, true);
  TTrayIcon* tray = NewTray();
  const std::string item = ItemName(*tray);
  const std::int32_t id = tray->IconID();
  watcher.during_register = [&] { delete tray; };
  ASSERT_TRUE(PumpUntil([&] { return !watcher.Registered().empty(); }));
  watcher.Ping(item);
  EXPECT_EQ(tray_.Presence(id), TTrayPresence::tpNone);
  EXPECT_EQ(tray_.StatusIcon(id), nullptr);
}

TEST_F(LinuxTrayTest, AChangeFromAnotherThreadIsShownOnTheMainContextAndDroppedOnceTheTrayHasGone) {
  TTrayIcon* tray = NewTray();
  GtkStatusIcon* icon = tray_.StatusIcon(tray->IconID());
  ASSERT_NE(icon, nullptr);
  const TTrayIconView frame{.id = tray->IconID(), .tip = "Frame"};
  const auto tooltip = [icon] {
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    gchar* text = gtk_status_icon_get_tooltip_text(icon);
    G_GNUC_END_IGNORE_DEPRECATIONS
    std::string result = text != nullptr ? text : "";
    g_free(text);
    return result;
  };
  bool sent = false;
  std::thread([&] { sent = tray_.Update(frame); }).join();
  EXPECT_TRUE(sent);
  EXPECT_EQ(tooltip(), "Sonalix");  // GTK is not touched from that thread
  EXPECT_TRUE(PumpUntil([&] { return tooltip() == "Frame"; }));

  {
    TLinuxTray gone("");
    std::thread([&] { gone.Update(frame); }).join();
  }
  while (g_main_context_pending(nullptr)) g_main_context_iteration(nullptr, FALSE);
}

}  // namespace
}  // namespace snx::testing
