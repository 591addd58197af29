// A reference menu for the native end-to-end tests:
//   xprobe menu X Y ITEM...   shows a GTK menu at X, Y until it closes: "-" a
//                             separator, "+caption" a checked item; captions
//                             carry GTK's own mnemonic marks
#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string>

namespace {

int Menu(int argc, char** argv) {
  gdk_set_allowed_backends("x11");
  gtk_init(nullptr, nullptr);
  GtkWidget* menu = gtk_menu_new();
  for (int i = 4; i < argc; ++i) {
    const std::string item = argv[i];
    GtkWidget* row = nullptr;
    if (item == "-") {
      row = gtk_separator_menu_item_new();
    } else if (item[0] == '+') {
      row = gtk_check_menu_item_new_with_mnemonic(item.c_str() + 1);
      gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(row), TRUE);
    } else {
      row = gtk_menu_item_new_with_mnemonic(item.c_str());
    }
    gtk_menu_shell_append(GTK_MENU_SHELL(menu), row);
  }
  gtk_widget_show_all(menu);
  g_signal_connect(menu, "deactivate", G_CALLBACK(gtk_main_quit), nullptr);
  const GdkRectangle at{std::stoi(argv[2]), std::stoi(argv[3]), 1, 1};
  gtk_menu_popup_at_rect(GTK_MENU(menu), gdk_get_default_root_window(), &at, GDK_GRAVITY_NORTH_WEST,
                         GDK_GRAVITY_NORTH_WEST, nullptr);
  // As a menu opened with the mouse: mnemonics stay hidden until Alt.
  gtk_window_set_mnemonics_visible(GTK_WINDOW(gtk_widget_get_toplevel(menu)), FALSE);
  gtk_main();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && std::strcmp(argv[1], "menu") == 0) return Menu(argc, argv);
  std::fprintf(stderr, "usage: xprobe menu X Y ITEM...\n");
  return 2;
}
