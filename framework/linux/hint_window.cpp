#include "framework/linux/hint_window.h"

#include "framework/linux/canvas.h"

namespace snx {

TGtkHintWindow::~TGtkHintWindow() {
  if (window_) g_signal_handlers_disconnect_by_data(window_.get(), this);
}

GtkWidget* TGtkHintWindow::Handle() {
  if (!window_) {
    window_.reset(gtk_window_new(GTK_WINDOW_POPUP));
    GtkWidget* widget = window_.get();
    gtk_window_set_type_hint(GTK_WINDOW(widget), GDK_WINDOW_TYPE_HINT_TOOLTIP);
    gtk_window_set_accept_focus(GTK_WINDOW(widget), FALSE);
    gtk_widget_set_app_paintable(widget, TRUE);
    g_signal_connect(widget, "draw", G_CALLBACK(+[](GtkWidget*, cairo_t* cr, TGtkHintWindow* hint) {
                       hint->Draw(cr);
                       return TRUE;
                     }),
                     this);
  }
  return window_.get();
}

void TGtkHintWindow::Repaint() {
  if (window_) gtk_widget_queue_draw(window_.get());
}

TSize TGtkHintWindow::TextExtent(std::string_view text) { return MeasureText(Font(), text); }

void TGtkHintWindow::SetBounds(int left, int top, int width, int height) {
  GtkWindow* window = GTK_WINDOW(Handle());
  gtk_widget_set_size_request(GTK_WIDGET(window), width, height);
  gtk_window_resize(window, width, height);
  gtk_window_move(window, left, top);
}

void TGtkHintWindow::ShowNoActivate() { gtk_widget_show(Handle()); }

void TGtkHintWindow::Hide() {
  if (window_) gtk_widget_hide(window_.get());
}

void TGtkHintWindow::Draw(cairo_t* cr) {
  SetSourceColor(cr, Color());
  cairo_paint(cr);
  TCairoCanvas canvas(cr);
  const int width = gtk_widget_get_allocated_width(window_.get());
  const int height = gtk_widget_get_allocated_height(window_.get());
  PaintText(canvas, {0, 0, width, height});
}

}  // namespace snx
