#include "framework/linux/message_box.h"

#include <gtest/gtest.h>

#include <string>

namespace snx {
namespace {

// What the box showed, read from inside its own loop, which it then closes.
struct SeenBox {
  std::string title;
  std::string text;
  GtkMessageType type = GTK_MESSAGE_OTHER;
  bool modal = false;
  bool ok = false;
  bool cancel = false;
};

gboolean InspectAndClose(gpointer data) {
  auto* seen = static_cast<SeenBox*>(data);
  GList* windows = gtk_window_list_toplevels();
  for (GList* item = windows; item != nullptr; item = item->next) {
    if (!GTK_IS_MESSAGE_DIALOG(item->data)) continue;
    GtkWindow* box = GTK_WINDOW(item->data);
    seen->title = gtk_window_get_title(box);
    gchar* text = nullptr;
    g_object_get(box, "text", &text, "message-type", &seen->type, nullptr);
    seen->text = text;
    g_free(text);
    seen->modal = gtk_window_get_modal(box);
    seen->ok = gtk_dialog_get_widget_for_response(GTK_DIALOG(box), GTK_RESPONSE_OK) != nullptr;
    seen->cancel = gtk_dialog_get_widget_for_response(GTK_DIALOG(box), GTK_RESPONSE_CANCEL) != nullptr;
    gtk_dialog_response(GTK_DIALOG(box), GTK_RESPONSE_OK);
  }
  g_list_free(windows);
  return G_SOURCE_REMOVE;
}

TEST(MessageBoxTest, ErrorBoxShowsCaptionTextErrorIconAndOneOkButton) {
  ASSERT_TRUE(gtk_init_check(nullptr, nullptr)) << "no display";
  SeenBox seen;
  g_idle_add(InspectAndClose, &seen);
  ShowErrorBox(nullptr, "PulseAudioに接続できませんでした: Connection refused", "エラー");
  EXPECT_EQ(seen.title, "エラー");
  EXPECT_EQ(seen.text, "PulseAudioに接続できませんでした: Connection refused");
  EXPECT_EQ(seen.type, GTK_MESSAGE_ERROR);
  EXPECT_TRUE(seen.modal);
  EXPECT_TRUE(seen.ok);
  EXPECT_FALSE(seen.cancel);
}

}  // namespace
}  // namespace snx
