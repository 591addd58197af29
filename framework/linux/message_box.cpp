#include "framework/linux/message_box.h"

namespace snx {

void ShowErrorBox(GtkWindow* parent, const std::string& text, const std::string& caption) {
  GtkWidget* box =
      gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR, GTK_BUTTONS_OK, "%s", text.c_str());
  gtk_window_set_title(GTK_WINDOW(box), caption.c_str());
  // The strip has no taskbar entry, but an error box is something to find.
  gtk_window_set_keep_above(GTK_WINDOW(box), TRUE);
  gtk_dialog_run(GTK_DIALOG(box));
  gtk_widget_destroy(box);
}

}  // namespace snx
