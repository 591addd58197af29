#include "framework/linux/application.h"

#include <gtk/gtk.h>

#include <cstdio>
#include <filesystem>

#include "framework/core/menu.h"
#include "framework/core/object.h"
#include "framework/linux/form.h"
#include "framework/linux/guarded.h"
#include "framework/linux/handles.h"
#include "framework/linux/menu_caption.h"

namespace snx {

TGtkApplication::TGtkApplication() {
  // The strip draws with X pixmaps straight onto its window.
  gdk_set_allowed_backends("x11");
  if (gtk_init_check(nullptr, nullptr) == FALSE) {
    const char* display = g_getenv("DISPLAY");
    throw EInvalidOperation(display != nullptr && display[0] != '\0'
                                ? std::string("cannot open the X display ") + display
                                : std::string("no X display: DISPLAY is not set"));
  }
  foreign_window_errors_ = std::make_unique<TForeignWindowErrors>(gdk_display_get_default());
  session_end_ = std::make_unique<TSessionEnd>([this] { CloseMainForm(); },
                                               [this] {
                                                 display_lost_ = true;
                                                 CloseMainForm();
                                               });
}

TGtkApplication::~TGtkApplication() {
  DestroyComponents();  // the forms, while the application still stands
}

TGtkApplication& GtkApplicationOf(TComponent* component) {
  return dynamic_cast<TGtkApplication&>(ApplicationOf(component));
}

void TGtkApplication::SetTitle(std::string title) {
  g_set_application_name(title.c_str());
  TApplication::SetTitle(std::move(title));
}

std::string TGtkApplication::ExeName() const { return std::filesystem::read_symlink("/proc/self/exe").string(); }

void TGtkApplication::ProcessMessages() {
  while (g_main_context_pending(nullptr) != FALSE) g_main_context_iteration(nullptr, FALSE);
}

namespace {

// What the menu's signals report to the loop that waits for it.
struct MenuState {
  TMenuItem* chosen = nullptr;
  bool closed = false;
};

void AppendItems(GtkMenuShell* shell, const TMenuItem& parent, MenuState& state) {
  for (int i = 0; i < parent.Count(); ++i) {
    TMenuItem* item = parent.Items(i);
    GtkWidget* widget = nullptr;
    if (item->IsSeparator()) {
      widget = gtk_separator_menu_item_new();
    } else {
      const std::string label = MnemonicCaption(item->Caption());
      if (item->Count() > 0) {
        widget = gtk_menu_item_new_with_mnemonic(label.c_str());
        GtkWidget* sub = gtk_menu_new();
        AppendItems(GTK_MENU_SHELL(sub), *item, state);
        gtk_menu_item_set_submenu(GTK_MENU_ITEM(widget), sub);
      } else {
        if (item->Checked()) {
          // Checked before the handler is connected: setting it activates the item.
          widget = gtk_check_menu_item_new_with_mnemonic(label.c_str());
          gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(widget), TRUE);
        } else {
          widget = gtk_menu_item_new_with_mnemonic(label.c_str());
        }
        g_object_set_data(G_OBJECT(widget), "snx-item", item);
        g_signal_connect(widget, "activate", G_CALLBACK(+[](GtkMenuItem* activated, MenuState* s) {
                           s->chosen = static_cast<TMenuItem*>(g_object_get_data(G_OBJECT(activated), "snx-item"));
                         }),
                         &state);
      }
    }
    gtk_widget_show(widget);
    gtk_menu_shell_append(shell, widget);
  }
}

// A button press on the root window at the point, as if the menu had been
// opened from it: GTK takes its seat and time for the menu's grab.
UniqueEvent TriggerEvent(GdkWindow* root, int x, int y) {
  UniqueEvent event(gdk_event_new(GDK_BUTTON_PRESS));
  event->button.window = GDK_WINDOW(g_object_ref(root));
  event->button.time = GDK_CURRENT_TIME;
  event->button.button = GDK_BUTTON_SECONDARY;
  event->button.x = event->button.x_root = x;
  event->button.y = event->button.y_root = y;
  GdkSeat* seat = gdk_display_get_default_seat(gdk_window_get_display(root));
  gdk_event_set_device(event.get(), gdk_seat_get_pointer(seat));
  return event;
}

}  // namespace

TMenuItem* TGtkApplication::TrackPopupMenu(const TPopupMenu& menu, int x, int y) {
  // A second request (a tray host asking again, say) would stack a menu on
  // the open one; Win32 refuses it the same way.
  if (menu_open_) return nullptr;
  MenuState state;
  // Declared after the state, so that the menu's last signals still find it.
  const UniqueWidget popup(gtk_menu_new());
  AppendItems(GTK_MENU_SHELL(popup.get()), menu.Items(), state);
  g_signal_connect(popup.get(), "deactivate", G_CALLBACK(+[](GtkMenuShell*, MenuState* s) { s->closed = true; }),
                   &state);
  GdkWindow* root = gdk_get_default_root_window();
  const GdkRectangle at{x, y, 1, 1};
  const UniqueEvent trigger = TriggerEvent(root, x, y);
  gtk_menu_popup_at_rect(GTK_MENU(popup.get()), root, &at, GDK_GRAVITY_NORTH_WEST, GDK_GRAVITY_NORTH_WEST,
                         trigger.get());
  // A menu that could not take the pointer does not open, and never closes.
  if (gtk_widget_get_visible(popup.get()) == FALSE) return nullptr;
  menu_open_ = true;
  while (!state.closed && !terminated_) g_main_context_iteration(nullptr, TRUE);
  menu_open_ = false;
  return state.chosen;
}

void TGtkApplication::Run() {
  if (MainForm() != nullptr) Guarded([&] { MainForm()->Show(); });
  while (!terminated_) g_main_context_iteration(nullptr, TRUE);
}

void TGtkApplication::Terminate() {
  terminated_ = true;
  // An error box runs a loop of its own, which would hold the program open.
  if (!display_lost_) {
    GList* toplevels = gtk_window_list_toplevels();
    for (GList* l = toplevels; l != nullptr; l = l->next) {
      if (GTK_IS_MESSAGE_DIALOG(l->data)) gtk_dialog_response(GTK_DIALOG(l->data), GTK_RESPONSE_DELETE_EVENT);
    }
    g_list_free(toplevels);
  }
  g_main_context_wakeup(nullptr);
}

void TGtkApplication::CloseMainForm() {
  if (MainForm() != nullptr) {
    Guarded([&] { MainForm()->Close(); });
  } else {
    Terminate();
  }
}

void TGtkApplication::ShowErrorBox(const std::string& text, const std::string& caption) {
  if (display_lost_) {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return;
  }
  // Over the modal form while one is up: closed, a box hands the focus back
  // to its parent, which must take input then.
  GtkWindow* parent = nullptr;
  if (auto* modal = dynamic_cast<TForm*>(ModalForm())) parent = GTK_WINDOW(modal->Handle());
  GList* toplevels = parent == nullptr ? gtk_window_list_toplevels() : nullptr;
  for (GList* l = toplevels; l != nullptr; l = l->next) {
    if (gtk_window_is_active(GTK_WINDOW(l->data)) != FALSE) parent = GTK_WINDOW(l->data);
  }
  g_list_free(toplevels);
  const UniqueWidget box(
      gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR, GTK_BUTTONS_OK, "%s", text.c_str()));
  gtk_window_set_title(GTK_WINDOW(box.get()), caption.c_str());
  gtk_dialog_run(GTK_DIALOG(box.get()));
}

}  // namespace snx
