#include "trayicon/linux/linux_tray.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "framework/core/application.h"
#include "framework/core/menu.h"
#include "tests/linux/trayicon/docked_windows.h"
#include "tests/linux/trayicon/gated_bus.h"
#include "tests/linux/trayicon/private_bus.h"
#include "tests/linux/trayicon/tray_test_parts.h"
#include "trayicon/core/tray_icon.h"

namespace snx::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::PrintToString;

// The session bus of the whole run: the tray's items and menus live on the
// process's one connection to the bus DBUS_SESSION_BUS_ADDRESS names, which
// GLib makes once and keeps while anything uses it. Each test's watcher and
// items come and go on it.
const PrivateBus& SessionBus() {
  static const PrivateBus kBus;
  static const bool kNamed = g_setenv("DBUS_SESSION_BUS_ADDRESS", kBus.Address().c_str(), TRUE) != FALSE;
  EXPECT_TRUE(kNamed);
  return kBus;
}

// A tray icon of the program's kind (tip "Sonalix", a right-button menu)
// on a session bus of the test's own.
class LinuxTrayTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(gtk_init_check(nullptr, nullptr)) << "no display";
    SessionBus();
  }

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

  // A call from the test's own connection, on its way: done once the
  // answer is in, null when it failed.
  struct TCall {
    GVariantPtr reply;
    std::string error;
    bool done = false;
  };
  std::unique_ptr<TCall> StartCall(const std::string& name, const char* path, const char* interface, const char* method,
                                   GVariant* parameters) {
    auto call = std::make_unique<TCall>();
    g_dbus_connection_call(
        client_.get(), name.c_str(), path, interface, method, parameters, nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
          auto* c = static_cast<TCall*>(data);
          GError* error = nullptr;
          c->reply.reset(g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error));
          if (error != nullptr) c->error = error->message;
          g_clear_error(&error);
          c->done = true;
        },
        call.get());
    return call;
  }
  // The answer, once the main context has run the handler.
  GVariantPtr Call(const std::string& name, const char* path, const char* interface, const char* method,
                   GVariant* parameters) {
    const std::unique_ptr<TCall> call = StartCall(name, path, interface, method, parameters);
    PumpUntil([&] { return call->done; });
    return std::move(call->reply);
  }
  GVariantPtr CallItem(const TTrayIcon& tray, const char* interface, const char* method, GVariant* parameters) {
    return Call(ItemName(tray), "/StatusNotifierItem", interface, method, parameters);
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

  const PrivateBus& bus_ = SessionBus();
  GObjectPtr<GDBusConnection> client_ = bus_.Connect();
  TestApplication application_;
  TLinuxTray tray_{TTrayBus::tbSession};
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

// The item's menu as a host reads it, through the path the item names.
class ItemMenuTest : public LinuxTrayTest {
 protected:
  void SetUp() override {
    tray_icon_ = NewTray();
    menu_ = tray_icon_->RBPopupMenu();
    start_ = Item(menu_->Items(), "開始(&S)");
    Item(menu_->Items(), "-");
    top_ = Item(menu_->Items(), "常に最前面に表示(&T)");
    top_->SetChecked(true);
    more_ = Item(menu_->Items(), "Fish && Chips");
    Item(*more_, "snake_case");
    ASSERT_TRUE(PresenceBecomes(*tray_icon_, TTrayPresence::tpStatusNotifierItem));
    const GVariantPtr path = Property(*tray_icon_, "Menu");
    ASSERT_TRUE(path);
    menu_path_ = g_variant_get_string(path.get(), nullptr);
    // The menu library puts the menu on the process's bus connection a
    // moment after the item is there: it asks GLib for that connection
    // itself, and is answered from the loop. Hosts read the menu when the
    // user opens it; a test that asks at once waits for it as they would.
    std::string error;
    const bool served = PumpUntil([&] {
      const std::unique_ptr<TCall> call = GetLayout();
      error = call->error;
      return call->reply != nullptr;
    });
    ASSERT_TRUE(served) << "the menu was never served: " << error;
  }
  TMenuItem* Item(TMenuItem& parent, const char* caption) {
    auto* item = new TMenuItem(owner_.get());
    item->SetCaption(caption);
    parent.Add(item);
    return item;
  }
  // A host's request for the whole menu, answered.
  std::unique_ptr<TCall> GetLayout() {
    std::unique_ptr<TCall> call =
        StartCall(ItemName(*tray_icon_), menu_path_.c_str(), "com.canonical.dbusmenu", "GetLayout",
                  g_variant_new("(ii@as)", 0, -1, g_variant_new_strv(nullptr, 0)));
    PumpUntil([&] { return call->done; });
    return call;
  }
  GVariantPtr CallMenu(const char* method, GVariant* parameters) {
    return Call(ItemName(*tray_icon_), menu_path_.c_str(), "com.canonical.dbusmenu", method, parameters);
  }
  // The menu's rows as served: "-" a separator, "[x] " before a checked
  // item, a submenu's rows in braces; `ids` gets each row's identifier.
  Log Rows(std::vector<gint32>* ids = nullptr) {
    const std::unique_ptr<TCall> call = GetLayout();
    const GVariantPtr reply = std::move(call->reply);
    if (!reply) return {"(no layout: " + call->error + ")"};
    GVariant* layout = nullptr;
    g_variant_get(reply.get(), "(u@(ia{sv}av))", nullptr, &layout);
    const GVariantPtr owned(layout);
    return RowsOf(layout, ids);
  }
  static Log RowsOf(GVariant* layout, std::vector<gint32>* ids) {
    Log rows;
    GVariant* children = g_variant_get_child_value(layout, 2);
    for (gsize i = 0; i < g_variant_n_children(children); ++i) {
      GVariant* boxed = g_variant_get_child_value(children, i);
      GVariant* child = g_variant_get_variant(boxed);
      gint32 id = 0;
      GVariant* properties = nullptr;
      g_variant_get_child(child, 0, "i", &id);
      properties = g_variant_get_child_value(child, 1);
      const auto text = [&](const char* key) {
        const gchar* value = nullptr;
        return g_variant_lookup(properties, key, "&s", &value) ? std::string(value) : std::string();
      };
      gint32 state = 0;
      std::string row = text("type") == "separator" ? "-" : text("label");
      if (text("toggle-type") == "checkmark" && g_variant_lookup(properties, "toggle-state", "i", &state) &&
          state == 1) {
        row = "[x] " + row;
      }
      if (text("children-display") == "submenu") {
        row += " {";
        for (const std::string& sub : RowsOf(child, nullptr)) row += sub + ";";
        row += "}";
      }
      rows.push_back(row);
      if (ids != nullptr) ids->push_back(id);
      g_variant_unref(properties);
      g_variant_unref(child);
      g_variant_unref(boxed);
    }
    g_variant_unref(children);
    return rows;
  }
  bool RowsBecome(const Log& rows) {
    return PumpUntil([&] { return Rows() == rows; });
  }
  // What a host sends when the user chooses the row with `id`.
  std::unique_ptr<TCall> Choose(gint32 id) {
    return StartCall(ItemName(*tray_icon_), menu_path_.c_str(), "com.canonical.dbusmenu", "Event",
                     g_variant_new("(isvu)", id, "clicked", g_variant_new_int32(0), 0U));
  }

  FakeWatcher watcher_{bus_.Connect(), WatcherAnswer::kAccept, true};
  TTrayIcon* tray_icon_ = nullptr;
  TPopupMenu* menu_ = nullptr;
  TMenuItem* start_ = nullptr;
  TMenuItem* top_ = nullptr;
  TMenuItem* more_ = nullptr;
  std::string menu_path_;
};

TEST_F(ItemMenuTest, TheItemNamesAMenuWithTheItemsInOrderTheirMnemonicsSeparatorsAndCheckMarks) {
  EXPECT_EQ(menu_path_, "/MenuBar");
  EXPECT_THAT(Rows(), ElementsAre("開始(_S)", "-", "[x] 常に最前面に表示(_T)", "Fish & Chips {snake__case;}"));
}

TEST_F(ItemMenuTest, TheMenuFollowsEachChangeOfTheProgramsMenu) {
  const struct {
    const char* step;
    std::function<void()> change;
    Log rows;
  } steps[] = {
      {"unchecked",
       [&] { top_->SetChecked(false); },
       {"開始(_S)", "-", "常に最前面に表示(_T)", "Fish & Chips {snake__case;}"}},
      {"checked",
       [&] { start_->SetChecked(true); },
       {"[x] 開始(_S)", "-", "常に最前面に表示(_T)", "Fish & Chips {snake__case;}"}},
      {"added to a submenu",
       [&] { Item(*more_, "Peas"); },
       {"[x] 開始(_S)", "-", "常に最前面に表示(_T)", "Fish & Chips {snake__case;Peas;}"}},
      {"renamed", [&] { top_->SetCaption("Top"); }, {"[x] 開始(_S)", "-", "Top", "Fish & Chips {snake__case;Peas;}"}},
      {"destroyed", [&] { delete start_; }, {"-", "Top", "Fish & Chips {snake__case;Peas;}"}},
      {"no menu opens", [&] { tray_icon_->SetAutoPopup(false); }, {}},
      {"menus open again", [&] { tray_icon_->SetAutoPopup(true); }, {"-", "Top", "Fish & Chips {snake__case;Peas;}"}},
  };
  for (const auto& s : steps) {
    s.change();
    EXPECT_TRUE(RowsBecome(s.rows)) << s.step << ": " << PrintToString(Rows());
  }
}

// The handler runs once the host has its answer: a handler that opens a
// dialog runs a loop of its own, which must not keep the host waiting.
TEST_F(ItemMenuTest, AChosenRowRunsItsItemsClickHandlerAfterTheHostIsAnsweredAndItsErrorsReachTheErrorBox) {
  std::vector<gint32> ids;
  ASSERT_EQ(Rows(&ids).size(), 4u);
  std::unique_ptr<TCall> choice;
  int clicks = 0;
  top_->OnClick = [&](TObject* sender) {
    ++clicks;
    EXPECT_EQ(sender, top_);
    // As a dialog's loop would: the answer comes while the handler runs.
    EXPECT_TRUE(PumpUntil([&] { return choice->done; }, 5000)) << "the host still waits for its answer";
    throw Exception("the command failed");
  };
  choice = Choose(ids[2]);
  ASSERT_TRUE(PumpUntil([&] { return clicks > 0; }));
  EXPECT_TRUE(choice->reply) << "the choice failed";
  EXPECT_EQ(clicks, 1);
  EXPECT_THAT(application_.log, ElementsAre("error the command failed."));
}

// Two choices in one request both wait for the main loop: the first one's
// handler takes the second row out of the menu before its turn comes.
TEST_F(ItemMenuTest, ARowTakenOutOfTheMenuAfterItWasChosenRunsNothing) {
  std::vector<gint32> ids;
  ASSERT_EQ(Rows(&ids).size(), 4u);
  Log clicks;
  start_->OnClick = [&](TObject*) {
    clicks.emplace_back("start");
    menu_->Items().Remove(top_);
  };
  top_->OnClick = [&](TObject*) { clicks.emplace_back("top"); };
  GVariantBuilder events;
  g_variant_builder_init(&events, G_VARIANT_TYPE("a(isvu)"));
  for (const gint32 id : {ids[0], ids[2]}) {
    g_variant_builder_add(&events, "(isvu)", id, "clicked", g_variant_new_int32(0), 0U);
  }
  ASSERT_TRUE(CallMenu("EventGroup", g_variant_new("(a(isvu))", &events)));
  ASSERT_TRUE(PumpUntil([&] { return !clicks.empty(); }));
  while (g_main_context_pending(nullptr)) g_main_context_iteration(nullptr, FALSE);
  EXPECT_THAT(clicks, ElementsAre("start"));
}

// A host asks as it is about to show the menu, alone or with its submenus
// (XFCE's panel asks so): OnPopup brings the items up to date first, as
// before the program's own popup.
TEST_F(ItemMenuTest, OnPopupRunsAsTheHostIsAboutToShowTheMenuAndWhatItChangesIsServed) {
  int popups = 0;
  menu_->OnPopup = [&](TObject* sender) {
    EXPECT_EQ(sender, menu_);
    ++popups;
    start_->SetCaption("Start &" + std::to_string(popups));
  };
  ASSERT_TRUE(CallMenu("AboutToShow", g_variant_new("(i)", 0)));
  EXPECT_TRUE(RowsBecome({"Start _1", "-", "[x] 常に最前面に表示(_T)", "Fish & Chips {snake__case;}"}))
      << PrintToString(Rows());
  const gint32 root = 0;
  ASSERT_TRUE(CallMenu("AboutToShowGroup",
                       g_variant_new("(@ai)", g_variant_new_fixed_array(G_VARIANT_TYPE_INT32, &root, 1, sizeof root))));
  EXPECT_TRUE(RowsBecome({"Start _2", "-", "[x] 常に最前面に表示(_T)", "Fish & Chips {snake__case;}"}))
      << PrintToString(Rows());
  EXPECT_EQ(popups, 2);
}

TEST_F(ItemMenuTest, AnIconThatOpensNoMenuNamesNone) {
  tray_icon_->SetEnabled(false);
  EXPECT_EQ(StringProperty(*tray_icon_, "Menu"), "/NO_DBUSMENU");
  tray_icon_->SetEnabled(true);
  EXPECT_EQ(StringProperty(*tray_icon_, "Menu"), "/MenuBar");
}

TEST_F(ItemMenuTest, TheMenuLeavesTheBusWithTheIcon) {
  const GVariantPtr owner = Call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                 "GetNameOwner", g_variant_new("(s)", ItemName(*tray_icon_).c_str()));
  ASSERT_TRUE(owner);
  const gchar* unique = nullptr;
  g_variant_get(owner.get(), "(&s)", &unique);
  const std::string connection = unique;
  delete tray_icon_;
  EXPECT_FALSE(Call(connection, "/MenuBar", "com.canonical.dbusmenu", "GetLayout",
                    g_variant_new("(ii@as)", 0, -1, g_variant_new_strv(nullptr, 0))))
      << "the menu is still served";
}

TEST_F(LinuxTrayTest, ARequestAtTheOriginOpensTheMenuAtThePointer) {
  FakeWatcher watcher(bus_.Connect(), WatcherAnswer::kAccept, true);
  TTrayIcon* tray = NewTray();
  ASSERT_TRUE(PresenceBecomes(*tray, TTrayPresence::tpStatusNotifierItem));
  GdkDevice* pointer = gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default()));
  gdk_device_warp(pointer, gdk_screen_get_default(), 123, 45);
  ASSERT_TRUE(PumpUntil([&] {
    gint x = 0;
    gint y = 0;
    gdk_device_get_position(pointer, nullptr, &x, &y);
    return x == 123 && y == 45;
  }));
  ASSERT_TRUE(CallItem(*tray, "org.kde.StatusNotifierItem", "ContextMenu", g_variant_new("(ii)", 0, 0)));
  EXPECT_THAT(application_.log, ElementsAre("popup PopupMenu at 123,45", "up right at 123,45"));
}

// Whether nothing holds the process's connection to the session bus any
// longer, once the main loop has run what was under way: the next request
// then makes a new one.
bool SessionConnectionReleased() {
  GDBusConnection* connection = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (connection == nullptr) return false;
  GWeakRef held;
  g_weak_ref_init(&held, connection);
  g_object_unref(connection);
  const bool released = PumpUntil([&] {
    gpointer still = g_weak_ref_get(&held);
    if (still != nullptr) g_object_unref(still);
    return still == nullptr;
  });
  g_weak_ref_clear(&held);
  return released;
}

// The process's connection is made once, for the first icon that asks: one
// that goes while the bus has not yet answered must not leave it failed for
// the next. The bus answers through a gate that opens after the first icon
// has gone.
TEST_F(LinuxTrayTest, AnIconThatGoesBeforeTheBusHasAnsweredLeavesTheConnectionToTheNext) {
  FakeWatcher watcher(bus_.Connect(), WatcherAnswer::kAccept, true);
  ASSERT_TRUE(SessionConnectionReleased());
  auto gate = std::make_unique<GatedBus>(bus_.Address(),
                                         g_get_tmp_dir() + std::string("/sonalix-gate-") + std::to_string(getpid()));
  ASSERT_TRUE(g_setenv("DBUS_SESSION_BUS_ADDRESS", gate->Address().c_str(), TRUE));
  delete NewTray();
  TTrayIcon* next = NewTray();
  gate->Open();
  EXPECT_TRUE(PresenceBecomes(*next, TTrayPresence::tpStatusNotifierItem));
  // The other tests' connection goes to the bus itself again.
  delete next;
  ASSERT_TRUE(g_setenv("DBUS_SESSION_BUS_ADDRESS", bus_.Address().c_str(), TRUE));
  EXPECT_TRUE(SessionConnectionReleased());
}

TEST_F(LinuxTrayTest, OneIconAtATimeIsTheItemAndTheOthersDock) {
  FakeWatcher watcher(bus_.Connect(), WatcherAnswer::kAccept, true);
  TTrayIcon* first = NewTray();
  ASSERT_TRUE(PresenceBecomes(*first, TTrayPresence::tpStatusNotifierItem));
  TTrayIcon* second = NewTray();
  EXPECT_EQ(Presence(*second), TTrayPresence::tpStatusIcon);
  delete first;
  TTrayIcon* third = NewTray();
  EXPECT_TRUE(PresenceBecomes(*third, TTrayPresence::tpStatusNotifierItem));
  EXPECT_EQ(Presence(*second), TTrayPresence::tpStatusIcon);
}

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
  // The program's picture in GdkPixbuf's RGBA memory order: the icon's dark
  // frame, then its red face.
  GdkPixbuf* picture = gtk_status_icon_get_pixbuf(icon);
  ASSERT_NE(picture, nullptr);
  const guchar* pixels = gdk_pixbuf_get_pixels(picture);
  EXPECT_THAT(std::vector<int>(pixels, pixels + 4), ElementsAre(0x51, 0x00, 0x00, 0xFF));
  const guchar* inner = pixels + gdk_pixbuf_get_rowstride(picture) + 4;  // row 1, column 1
  EXPECT_THAT(std::vector<int>(inner, inner + 4), ElementsAre(0xD8, 0x20, 0x20, 0xFF));
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
  // How long the wait is, the core's tests tell; a time measured here would
  // be the machine's load as much as the wait.
  ASSERT_TRUE(PumpUntil([&] { return clicks != 0; }));
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
    TLinuxTray gone(TTrayBus::tbNone);
    std::thread([&] { gone.Update(frame); }).join();
  }
  while (g_main_context_pending(nullptr)) g_main_context_iteration(nullptr, FALSE);
}

}  // namespace
}  // namespace snx::testing
