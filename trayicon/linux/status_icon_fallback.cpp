#include "trayicon/linux/status_icon_fallback.h"

#include "trayicon/core/notify_icon_data.h"

namespace snx {

namespace {

// The shell's message for a button's press, release and double click.
struct TButtonMessages {
  std::intptr_t down;
  std::intptr_t up;
  std::intptr_t double_click;  // 0: the second press of a double click raises nothing
};

const TButtonMessages* MessagesFor(guint button) {
  static constexpr TButtonMessages kLeft{kLButtonDown, kLButtonUp, kLButtonDblClk};
  static constexpr TButtonMessages kMiddle{kMButtonDown, kMButtonUp, 0};
  static constexpr TButtonMessages kRight{kRButtonDown, kRButtonUp, 0};
  switch (button) {
    case GDK_BUTTON_PRIMARY:
      return &kLeft;
    case GDK_BUTTON_MIDDLE:
      return &kMiddle;
    case GDK_BUTTON_SECONDARY:
      return &kRight;
    default:
      return nullptr;
  }
}

}  // namespace

G_GNUC_BEGIN_IGNORE_DEPRECATIONS

TStatusIconFallback::TStatusIconFallback(TTrayEvents& events) : events_(events), icon_(gtk_status_icon_new()) {
  g_signal_connect(icon_.get(), "button-press-event", G_CALLBACK(&TStatusIconFallback::ButtonEvent), this);
  g_signal_connect(icon_.get(), "button-release-event", G_CALLBACK(&TStatusIconFallback::ButtonEvent), this);
}

TStatusIconFallback::~TStatusIconFallback() {
  g_signal_handlers_disconnect_by_data(icon_.get(), this);
  gtk_status_icon_set_visible(icon_.get(), FALSE);
}

void TStatusIconFallback::SetTip(const std::string& tip) {
  gtk_status_icon_set_tooltip_text(icon_.get(), tip.c_str());
  gtk_status_icon_set_title(icon_.get(), tip.c_str());
}

void TStatusIconFallback::SetPicture(const TTrayPicture& picture) {
  if (picture.argb.empty()) {
    gtk_status_icon_set_from_pixbuf(icon_.get(), nullptr);
    return;
  }
  // GdkPixbuf keeps RGBA bytes in memory order.
  const GObjectPtr<GdkPixbuf> pixbuf(gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, picture.width, picture.height));
  guchar* pixels = gdk_pixbuf_get_pixels(pixbuf.get());
  const int stride = gdk_pixbuf_get_rowstride(pixbuf.get());
  const std::uint32_t* argb = picture.argb.data();
  for (int y = 0; y < picture.height; ++y) {
    guchar* row = pixels + static_cast<std::ptrdiff_t>(y) * stride;
    for (int x = 0; x < picture.width; ++x, ++argb) {
      for (const int shift : {16, 8, 0, 24}) *row++ = static_cast<guchar>(*argb >> shift);
    }
  }
  gtk_status_icon_set_from_pixbuf(icon_.get(), pixbuf.get());
}

void TStatusIconFallback::SetVisible(bool visible) { gtk_status_icon_set_visible(icon_.get(), visible ? TRUE : FALSE); }

G_GNUC_END_IGNORE_DEPRECATIONS

gboolean TStatusIconFallback::ButtonEvent(GtkStatusIcon* /*icon*/, GdkEventButton* event, gpointer self) {
  const TButtonMessages* messages = MessagesFor(event->button);
  if (messages == nullptr) return FALSE;
  std::intptr_t message = 0;
  if (event->type == GDK_BUTTON_PRESS) {
    message = messages->down;
  } else if (event->type == GDK_2BUTTON_PRESS) {
    message = messages->double_click;
  } else if (event->type == GDK_BUTTON_RELEASE) {
    message = messages->up;
  }
  if (message != 0) {
    static_cast<TStatusIconFallback*>(self)->events_.MouseMessage(
        message, {static_cast<int>(event->x_root), static_cast<int>(event->y_root)});
  }
  return TRUE;
}

}  // namespace snx
