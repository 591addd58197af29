#include "framework/linux/form.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "framework/core/object.h"
#include "framework/core/screen.h"
#include "framework/core/stored_description.h"
#include "framework/linux/application.h"
#include "framework/linux/canvas.h"
#include "framework/linux/guarded.h"

namespace snx {

namespace {

std::optional<TShiftMember> ButtonMember(guint button) {
  switch (button) {
    case GDK_BUTTON_PRIMARY:
      return TShiftMember::ssLeft;
    case GDK_BUTTON_MIDDLE:
      return TShiftMember::ssMiddle;
    case GDK_BUTTON_SECONDARY:
      return TShiftMember::ssRight;
    default:
      return std::nullopt;
  }
}

TMouseButton ButtonOf(TShiftMember member) {
  return member == TShiftMember::ssLeft    ? TMouseButton::mbLeft
         : member == TShiftMember::ssRight ? TMouseButton::mbRight
                                           : TMouseButton::mbMiddle;
}

TShiftState ShiftFromState(guint state) {
  TShiftState shift;
  if ((state & GDK_SHIFT_MASK) != 0) shift += TShiftMember::ssShift;
  if ((state & GDK_CONTROL_MASK) != 0) shift += TShiftMember::ssCtrl;
  if ((state & GDK_BUTTON1_MASK) != 0) shift += TShiftMember::ssLeft;
  if ((state & GDK_BUTTON3_MASK) != 0) shift += TShiftMember::ssRight;
  if ((state & GDK_BUTTON2_MASK) != 0) shift += TShiftMember::ssMiddle;
  return shift;
}

}  // namespace

TForm::TForm(TComponent* owner) : TCustomForm(owner), application_(GtkApplicationOf(owner)) {}

TForm::~TForm() {
  // Owned components may still talk to the window while they go.
  DestroyComponents();
  DetachControls();
  if (window_) {
    DisconnectFrameClock();
    g_signal_handlers_disconnect_by_data(window_.get(), this);
    window_.reset();
  }
}

void TForm::CreateHandle() {
  window_.reset(gtk_window_new(GTK_WINDOW_TOPLEVEL));
  GtkWidget* widget = window_.get();
  GtkWindow* window = GTK_WINDOW(widget);
  gtk_window_set_title(window, Caption().c_str());
  gtk_window_set_decorated(window, BorderStyle() != TFormBorderStyle::bsNone ? TRUE : FALSE);
  if (BorderStyle() == TFormBorderStyle::bsDialog) gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DIALOG);
  gtk_window_set_resizable(window, FALSE);
  gtk_window_set_skip_taskbar_hint(window, TRUE);
  gtk_window_set_skip_pager_hint(window, TRUE);
  gtk_window_set_keep_above(window, stay_on_top_ ? TRUE : FALSE);
  gtk_widget_set_app_paintable(widget, TRUE);
  gtk_widget_set_size_request(widget, ClientWidth(), ClientHeight());
  if (BorderStyle() == TFormBorderStyle::bsNone) {
    // A borderless form's place is the user's (dragged there, stored): window
    // managers then leave it there, where they would move a place that the
    // program chose clear of their panels.
    gtk_window_set_geometry_hints(window, nullptr, nullptr, GDK_HINT_USER_POS);
  }
  gtk_window_move(window, Left(), Top());
  gtk_widget_add_events(widget, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_POINTER_MOTION_MASK |
                                    GDK_LEAVE_NOTIFY_MASK | GDK_STRUCTURE_MASK | GDK_FOCUS_CHANGE_MASK);

  g_signal_connect(widget, "draw", G_CALLBACK(+[](GtkWidget*, cairo_t* cr, TForm* form) { return form->Draw(cr); }),
                   this);
  g_signal_connect(
      widget, "button-press-event",
      G_CALLBACK(+[](GtkWidget*, GdkEventButton* event, TForm* form) { return form->ButtonPress(*event); }), this);
  g_signal_connect(
      widget, "button-release-event",
      G_CALLBACK(+[](GtkWidget*, GdkEventButton* event, TForm* form) { return form->ButtonRelease(*event); }), this);
  g_signal_connect(widget, "motion-notify-event",
                   G_CALLBACK(+[](GtkWidget*, GdkEventMotion* event, TForm* form) { return form->Motion(*event); }),
                   this);
  g_signal_connect(widget, "leave-notify-event", G_CALLBACK(+[](GtkWidget*, GdkEventCrossing* event, TForm* form) {
                     // Crossings caused by grabs (a menu, a drag) are not the pointer leaving.
                     if (event->mode == GDK_CROSSING_NORMAL) Guarded([&] { form->MouseLeft(); });
                     return FALSE;
                   }),
                   this);
  // The event's own coordinates are not used: under a reparenting window
  // manager they can be the window's place inside its frame.
  g_signal_connect(widget, "configure-event", G_CALLBACK(+[](GtkWidget*, GdkEventConfigure*, TForm* form) {
                     form->Moved();
                     return FALSE;
                   }),
                   this);
  g_signal_connect(widget, "map-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, TForm* form) {
                     form->Moved();
                     return FALSE;
                   }),
                   this);
  g_signal_connect(widget, "delete-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, TForm* form) {
                     Guarded([&] { form->Close(); });
                     return TRUE;
                   }),
                   this);
  g_signal_connect(widget, "focus-in-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, TForm* form) {
                     Screen().FormActivated(form);
                     return FALSE;
                   }),
                   this);
  g_signal_connect(widget, "hide", G_CALLBACK(+[](GtkWidget*, TForm* form) { Screen().FormHidden(form); }), this);

  gtk_widget_realize(widget);
  if (BorderStyle() == TFormBorderStyle::bsDialog) {
    SetDialogFrame();
    // Some window managers minimise whatever the hints say (openbox keeps
    // the button); a dialog without a taskbar entry comes straight back.
    g_signal_connect(widget, "window-state-event",
                     G_CALLBACK(+[](GtkWidget* dialog, GdkEventWindowState* event, TForm*) {
                       if ((event->new_window_state & GDK_WINDOW_STATE_ICONIFIED) != 0) {
                         gtk_window_deiconify(GTK_WINDOW(dialog));
                       }
                       return FALSE;
                     }),
                     this);
  }
  // OnPaint runs once the frame is on the window, so that it can draw there directly.
  frame_clock_ = gdk_window_get_frame_clock(gtk_widget_get_window(widget));
  after_paint_handler_ =
      g_signal_connect_swapped(frame_clock_, "after-paint", G_CALLBACK(+[](TForm* form) { form->AfterPaint(); }), this);
}

void TForm::SetDialogFrame() {
  // Set once realised: GTK sets its own hints while realising. A dialog frame
  // offers moving and closing only, whatever the border icons say; a
  // minimised dialog would have no taskbar entry to come back from.
  GdkWindow* window = gtk_widget_get_window(window_.get());
  gdk_window_set_functions(
      window, HasSystemMenu() ? static_cast<GdkWMFunction>(GDK_FUNC_MOVE | GDK_FUNC_CLOSE) : GDK_FUNC_MOVE);
  const int decorations = GDK_DECOR_BORDER | GDK_DECOR_TITLE | (HasSystemMenu() ? GDK_DECOR_MENU : 0);
  gdk_window_set_decorations(window, static_cast<GdkWMDecoration>(decorations));
}

void TForm::DisconnectFrameClock() {
  if (after_paint_handler_ != 0) g_signal_handler_disconnect(frame_clock_, after_paint_handler_);
  after_paint_handler_ = 0;
}

GtkWidget* TForm::Handle() {
  if (!window_) CreateHandle();
  return window_.get();
}

GdkWindow* TForm::NativeWindow() { return gtk_widget_get_window(Handle()); }

std::optional<TPoint> TForm::ScreenPlace() const {
  // A server that has gone answers nothing: the last place seen stands.
  if (!window_ || application_.DisplayLost()) return std::nullopt;
  GdkWindow* window = gtk_widget_get_window(window_.get());
  if (window == nullptr || (gdk_window_get_state(window) & GDK_WINDOW_STATE_WITHDRAWN) != 0) return std::nullopt;
  GdkRectangle frame;
  gdk_window_get_frame_extents(window, &frame);
  return TPoint{frame.x, frame.y};
}

int TForm::Left() const {
  const std::optional<TPoint> place = ScreenPlace();
  return place ? place->x : TCustomForm::Left();
}

int TForm::Top() const {
  const std::optional<TPoint> place = ScreenPlace();
  return place ? place->y : TCustomForm::Top();
}

// Kept for when the window is off screen, or the server has gone.
void TForm::Moved() {
  if (const std::optional<TPoint> place = ScreenPlace()) {
    TCustomForm::SetLeft(place->x);
    TCustomForm::SetTop(place->y);
  }
}

void TForm::SetLeft(int left) {
  TCustomForm::SetLeft(left);
  if (window_) gtk_window_move(GTK_WINDOW(window_.get()), left, Top());
}

void TForm::SetTop(int top) {
  TCustomForm::SetTop(top);
  if (window_) gtk_window_move(GTK_WINDOW(window_.get()), Left(), top);
}

void TForm::SetClientSize(int width, int height) {
  TCustomForm::SetClientSize(width, height);
  if (window_) gtk_widget_set_size_request(window_.get(), width, height);
}

void TForm::SetCaption(std::string caption) {
  TCustomForm::SetCaption(std::move(caption));
  if (window_) gtk_window_set_title(GTK_WINDOW(window_.get()), Caption().c_str());
}

void TForm::SetColor(TColor color) {
  TCustomForm::SetColor(color);
  if (window_) gtk_widget_queue_draw(window_.get());
}

void TForm::SetStayOnTop(bool stay_on_top) {
  stay_on_top_ = stay_on_top;
  if (window_) gtk_window_set_keep_above(GTK_WINDOW(window_.get()), stay_on_top ? TRUE : FALSE);
}

bool TForm::Visible() const { return window_ && gtk_widget_get_visible(window_.get()) != FALSE; }

void TForm::Show() {
  if (Visible()) return;
  GtkWidget* window = Handle();
  if (OnShow) OnShow(this);
  gtk_widget_show(window);
}

void TForm::Hide() {
  if (window_) {
    Moved();
    gtk_widget_hide(window_.get());
  }
  MouseLeft();
}

void TForm::SetEnabled(bool enabled) {
  enabled_ = enabled;
  gtk_widget_set_sensitive(Handle(), enabled ? TRUE : FALSE);
  // Nor the keyboard, as a disabled window on Win32 cannot become active: a
  // click on it would otherwise give it the focus, and the window manager's
  // Alt+F4 meant for the modal form would close it.
  gtk_window_set_accept_focus(GTK_WINDOW(Handle()), enabled ? TRUE : FALSE);
}

int TForm::ShowModal() {
  if (Visible()) throw EInvalidOperation("表示されているウィンドウをモーダルにすることはできません");
  // The program's other visible forms take no input meanwhile; hidden
  // windows (the tray's) are not forms and keep working. A form destroyed
  // meanwhile leaves the application's list.
  std::vector<TForm*> disabled;
  for (int i = 0; i < application_.ComponentCount(); ++i) {
    auto* form = dynamic_cast<TForm*>(application_.Components(i));
    if (form == nullptr || form == this || !form->Visible() || !form->enabled_) continue;
    form->SetEnabled(false);
    disabled.push_back(form);
  }
  BeginModal();
  Guarded([&] { Show(); });
  while (ModalResult() == 0 && Visible() && !application_.Terminated()) g_main_context_iteration(nullptr, TRUE);
  for (int i = 0; i < application_.ComponentCount(); ++i) {
    auto* form = dynamic_cast<TForm*>(application_.Components(i));
    if (std::ranges::find(disabled, form) != disabled.end()) form->SetEnabled(true);
  }
  Hide();
  EndModal();
  return ModalResult();
}

void TForm::StartWindowDrag() {
  if (!window_ || last_press_.button == 0) return;
  gtk_window_begin_move_drag(GTK_WINDOW(window_.get()), static_cast<gint>(last_press_.button), last_press_.x_root,
                             last_press_.y_root, last_press_.time);
}

void TForm::InvalidateClientRect(const TRect& rect) {
  if (window_) {
    gtk_widget_queue_draw_area(window_.get(), rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  }
}

TSize TForm::TextExtent(const TFont& font, std::string_view text) { return MeasureText(font, text); }

std::unique_ptr<TListWindow> TForm::CreateListWindow(TCustomListBox& /*list*/) {
  throw EInvalidOperation("list boxes have no window of their own on this platform");
}

std::string_view TForm::StoredDescription(const char* class_name) {
  const std::optional<std::string_view> text = FindStoredDescription(class_name);
  if (!text) throw EReadError(std::string("no form description for ") + class_name);
  return *text;
}

void TForm::PaintBackground(cairo_t* cr) {
  if (paint_background_ && paint_background_(cr)) return;
  SetSourceColor(cr, Color());
  cairo_paint(cr);
}

gboolean TForm::Draw(cairo_t* cr) {
  PaintBackground(cr);
  Guarded([&] {
    TCairoCanvas canvas(cr);
    PaintControls(canvas);
  });
  paint_pending_ = true;
  return TRUE;
}

void TForm::AfterPaint() {
  if (!paint_pending_) return;
  paint_pending_ = false;
  if (OnPaint) Guarded([&] { OnPaint(this); });
}

gboolean TForm::ButtonPress(const GdkEventButton& event) {
  if (!enabled_) return TRUE;
  // A double click arrives as two presses, then this: the second press was the click.
  if (event.type != GDK_BUTTON_PRESS) return TRUE;
  const auto member = ButtonMember(event.button);
  if (!member) return FALSE;
  last_press_ = {event.button, static_cast<int>(event.x_root), static_cast<int>(event.y_root), event.time};
  const auto x = static_cast<int>(event.x);
  const auto y = static_cast<int>(event.y);
  Guarded([&] {
    // A press on a control is the control's.
    if (MousePressed(ButtonOf(*member), TShiftState(*member), x, y)) return;
    if (OnMouseDown) OnMouseDown(this, ButtonOf(*member), TShiftState(*member), x, y);
  });
  return TRUE;
}

gboolean TForm::ButtonRelease(const GdkEventButton& event) {
  if (!enabled_) return TRUE;
  const auto member = ButtonMember(event.button);
  if (!member) return FALSE;
  if (OnMouseUp) {
    Guarded([&] {
      OnMouseUp(this, ButtonOf(*member), TShiftState(*member), static_cast<int>(event.x), static_cast<int>(event.y));
    });
  }
  return TRUE;
}

gboolean TForm::Motion(const GdkEventMotion& event) {
  if (!enabled_) return TRUE;
  const auto x = static_cast<int>(event.x);
  const auto y = static_cast<int>(event.y);
  Guarded([&] { MouseMoved(ShiftFromState(event.state), x, y); });
  UpdateCursor(x, y);
  return TRUE;
}

void TForm::UpdateCursor(int x, int y) {
  const TControl* control = ControlAt(x, y);
  const bool hand = control != nullptr && control->Cursor() == TCursor::crHandPoint;
  if (hand == hand_cursor_) return;
  hand_cursor_ = hand;
  GdkWindow* window = gtk_widget_get_window(window_.get());
  if (hand && !hand_) hand_.reset(gdk_cursor_new_from_name(gdk_window_get_display(window), "pointer"));
  gdk_window_set_cursor(window, hand ? hand_.get() : nullptr);
}

}  // namespace snx
