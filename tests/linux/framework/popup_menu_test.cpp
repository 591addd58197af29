#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/core/menu.h"
#include "tests/linux/framework/gtk_fixture.h"

namespace snx {
namespace {

// What the test saw of the open menu, and what it does to it.
struct MenuProbe {
  int activate = -1;  // the row to activate; -1 cancels the menu
  std::vector<std::string> rows;
  std::vector<bool> checked;
  int separators = 0;
};

std::vector<GtkMenuShell*> OpenMenus() {
  GList* toplevels = gtk_window_list_toplevels();
  std::vector<GtkMenuShell*> found;
  for (GList* l = toplevels; l != nullptr; l = l->next) {
    GtkWidget* child = gtk_bin_get_child(GTK_BIN(l->data));
    if (child != nullptr && GTK_IS_MENU(child) && gtk_widget_get_mapped(child) != FALSE) {
      found.push_back(GTK_MENU_SHELL(child));
    }
  }
  g_list_free(toplevels);
  return found;
}

GtkMenuShell* OpenMenu() {
  const std::vector<GtkMenuShell*> menus = OpenMenus();
  return menus.empty() ? nullptr : menus.back();
}

// Runs inside the menu's loop: waits for the menu, reads it, acts on it.
gboolean ActOnMenu(gpointer data) {
  auto* probe = static_cast<MenuProbe*>(data);
  GtkMenuShell* shell = OpenMenu();
  if (shell == nullptr) return G_SOURCE_CONTINUE;
  GList* children = gtk_container_get_children(GTK_CONTAINER(shell));
  GtkWidget* target = nullptr;
  int row = 0;
  for (GList* l = children; l != nullptr; l = l->next, ++row) {
    GtkWidget* item = GTK_WIDGET(l->data);
    if (GTK_IS_SEPARATOR_MENU_ITEM(item)) ++probe->separators;
    const char* label = gtk_menu_item_get_label(GTK_MENU_ITEM(item));
    probe->rows.emplace_back(label != nullptr ? label : "");
    probe->checked.push_back(GTK_IS_CHECK_MENU_ITEM(item) &&
                             gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(item)) != FALSE);
    if (row == probe->activate) target = item;
  }
  g_list_free(children);
  if (target != nullptr) {
    gtk_menu_shell_activate_item(shell, target, TRUE);
  } else {
    gtk_menu_shell_cancel(shell);
  }
  return G_SOURCE_REMOVE;
}

class PopupMenuTest : public testing::Test {
 protected:
  PopupMenuTest() : menu_(new TPopupMenu(&TestApplication())) {
    for (const char* caption : {"開始(&S)", "-", "常に最前面に表示(&T)", "終了(&X)"}) {
      auto* item = new TMenuItem(menu_.get());
      item->SetCaption(caption);
      menu_->Items().Add(item);
    }
    menu_->Items().Items(2)->SetChecked(true);
  }

  TMenuItem* Track(MenuProbe& probe) {
    g_idle_add(ActOnMenu, &probe);
    return TestApplication().TrackPopupMenu(*menu_, 200, 150);
  }

  std::unique_ptr<TPopupMenu> menu_;
};

TEST_F(PopupMenuTest, ReturnsTheActivatedItemOfAMenuBuiltFromTheItems) {
  MenuProbe probe;
  probe.activate = 3;
  EXPECT_EQ(Track(probe), menu_->Items().Items(3));
  EXPECT_EQ(probe.rows, (std::vector<std::string>{"開始(_S)", "", "常に最前面に表示(_T)", "終了(_X)"}));
  EXPECT_EQ(probe.checked, (std::vector<bool>{false, false, true, false}));
  EXPECT_EQ(probe.separators, 1);
}

TEST_F(PopupMenuTest, ReturnsTheCheckedItemWhenActivatedAndNothingWhenCancelled) {
  MenuProbe check;
  check.activate = 2;
  EXPECT_EQ(Track(check), menu_->Items().Items(2));
  MenuProbe cancel;
  EXPECT_EQ(Track(cancel), nullptr);
  EXPECT_EQ(cancel.rows.size(), 4U);
}

TEST_F(PopupMenuTest, PopupRunsTheChosenItemsClickHandler) {
  int clicks = 0;
  menu_->Items().Items(0)->OnClick = [&](TObject*) { ++clicks; };
  MenuProbe probe;
  probe.activate = 0;
  g_idle_add(ActOnMenu, &probe);
  menu_->Popup(10, 10);
  EXPECT_EQ(clicks, 1);
}

// What the test saw of a submenu, and the item of it that it activated.
struct SubmenuProbe {
  std::vector<std::string> shown;  // each row's text as drawn, "[...]" after a submenu's own
  std::vector<bool> checked;
  int separators = 0;
};

// `last` becomes the last row of the last submenu.
void ReadRows(GtkMenuShell* shell, SubmenuProbe& probe, GtkWidget*& last, bool submenu = false) {
  GList* children = gtk_container_get_children(GTK_CONTAINER(shell));
  for (GList* l = children; l != nullptr; l = l->next) {
    GtkWidget* item = GTK_WIDGET(l->data);
    if (GTK_IS_SEPARATOR_MENU_ITEM(item)) {
      ++probe.separators;
      continue;
    }
    GtkWidget* label = gtk_bin_get_child(GTK_BIN(item));
    probe.shown.emplace_back(GTK_IS_LABEL(label) ? gtk_label_get_text(GTK_LABEL(label)) : "");
    probe.checked.push_back(GTK_IS_CHECK_MENU_ITEM(item) &&
                            gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(item)) != FALSE);
    if (GtkWidget* sub = gtk_menu_item_get_submenu(GTK_MENU_ITEM(item))) {
      probe.shown.back() += "[";
      ReadRows(GTK_MENU_SHELL(sub), probe, last, true);
      probe.shown.emplace_back("]");
    } else if (submenu) {
      last = item;
    }
  }
  g_list_free(children);
}

// Inside the menu's loop: reads the rows with the submenus' rows, then
// chooses the last row of the submenu, as a click on it would, and closes
// the menu.
gboolean ChooseInSubmenu(gpointer data) {
  auto* probe = static_cast<SubmenuProbe*>(data);
  GtkMenuShell* shell = OpenMenu();
  if (shell == nullptr) return G_SOURCE_CONTINUE;
  GtkWidget* last = nullptr;
  ReadRows(shell, *probe, last);
  if (last != nullptr) gtk_menu_item_activate(GTK_MENU_ITEM(last));
  gtk_menu_shell_cancel(shell);
  return G_SOURCE_REMOVE;
}

TEST_F(PopupMenuTest, ASubmenuShowsItsItemsWithTheirChecksAndItsChosenItemIsReturned) {
  auto* input = new TMenuItem(menu_.get());
  input->SetCaption("入力(&I)");
  menu_->Items().Insert(1, input);
  TMenuItem* chosen = nullptr;
  for (const char* name : {"USB R&B_1", "-", "Line"}) {
    chosen = new TMenuItem(menu_.get());
    chosen->SetCaption(LiteralCaption(name));
    input->Add(chosen);
  }
  input->Items(0)->SetChecked(true);
  SubmenuProbe probe;
  g_idle_add(ChooseInSubmenu, &probe);
  EXPECT_EQ(TestApplication().TrackPopupMenu(*menu_, 200, 150), chosen);
  EXPECT_EQ(probe.shown, (std::vector<std::string>{"開始(S)", "入力(I)[", "USB R&B_1", "-", "Line", "]",
                                                   "常に最前面に表示(T)", "終了(X)"}));
  EXPECT_EQ(probe.checked, (std::vector<bool>{false, false, true, false, false, true, false}));
  EXPECT_EQ(probe.separators, 1) << "a name of \"-\" became a separator";
}

TEST_F(PopupMenuTest, AMenuAskedForWhileOneIsOpenIsRefusedAtOnce) {
  // A second request from inside the open menu's loop, as a tray host's
  // second right click arrives; then every menu on screen is counted and
  // cancelled, from whichever loop runs by then.
  struct Nested {
    const TPopupMenu* menu;
    bool asked = false;
    TMenuItem* second = nullptr;
    std::size_t most_menus = 0;
  } nested{menu_.get()};
  g_idle_add(
      +[](gpointer data) -> gboolean {
        auto* n = static_cast<Nested*>(data);
        if (OpenMenu() == nullptr) return G_SOURCE_CONTINUE;
        n->asked = true;
        g_idle_add(
            +[](gpointer counted) -> gboolean {
              auto* count = static_cast<Nested*>(counted);
              const std::vector<GtkMenuShell*> menus = OpenMenus();
              count->most_menus = std::max(count->most_menus, menus.size());
              for (GtkMenuShell* menu : menus) gtk_menu_shell_cancel(menu);
              return G_SOURCE_REMOVE;
            },
            n);
        n->second = TestApplication().TrackPopupMenu(*n->menu, 300, 200);
        return G_SOURCE_REMOVE;
      },
      &nested);
  EXPECT_EQ(TestApplication().TrackPopupMenu(*menu_, 200, 150), nullptr);
  ASSERT_TRUE(nested.asked);
  EXPECT_EQ(nested.second, nullptr);
  EXPECT_EQ(nested.most_menus, 1U) << "a second menu opened over the first";
}

}  // namespace
}  // namespace snx
