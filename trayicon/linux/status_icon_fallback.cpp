#include "trayicon/linux/status_icon_fallback.h"

namespace snx {

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
  TMouseButton button = TMouseButton::mbLeft;
  if (event->button == GDK_BUTTON_MIDDLE) {
    button = TMouseButton::mbMiddle;
  } else if (event->button == GDK_BUTTON_SECONDARY) {
    button = TMouseButton::mbRight;
  } else if (event->button != GDK_BUTTON_PRIMARY) {
    return FALSE;
  }
  TPointerAction action = TPointerAction::paPress;
  if (event->type == GDK_2BUTTON_PRESS) {
    action = TPointerAction::paDoubleClick;
  } else if (event->type == GDK_BUTTON_RELEASE) {
    action = TPointerAction::paRelease;
  } else if (event->type != GDK_BUTTON_PRESS) {
    return TRUE;  // a triple click's third press adds nothing
  }
  static_cast<TStatusIconFallback*>(self)->events_.PointerEvent(
      {action, button, {static_cast<int>(event->x_root), static_cast<int>(event->y_root)}});
  return TRUE;
}

}  // namespace snx
