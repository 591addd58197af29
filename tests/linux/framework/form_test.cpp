#include "framework/linux/form.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/controls.h"
#include "framework/core/object.h"
#include "framework/core/published.h"
#include "tests/linux/framework/gtk_fixture.h"

// Xlib last: its macros (None, Bool) break headers that come after it.
#include <X11/Xutil.h>

#include "framework/linux/x_window.h"

namespace snx {

// Read from the description stored in this test under its class name: 160 x
// 40 at 130,170, borderless, blue, a white bold label at 8,8.
class TProbeForm : public TForm {
 public:
  explicit TProbeForm(TComponent* owner) : TForm(owner) {
    static const TPublished<TProbeForm> kPublished{{"Title", &TProbeForm::title},
                                                   {"FormPaint", &TProbeForm::FormPaint}};
    ReadDescription("TProbeForm", {{"TLabel", Creates<TLabel>()}}, kPublished.For(*this));
  }

  void FormPaint(TObject* /*sender*/) { ++paints; }

  TLabel* title = nullptr;
  int paints = 0;
};

namespace {

std::vector<Atom> AtomList(Display* display, Window window, const char* property) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  XGetWindowProperty(display, window, XInternAtom(display, property, False), 0, 64, False, AnyPropertyType, &type,
                     &format, &count, &after, &data);
  std::vector<Atom> atoms;
  if (data != nullptr && format == 32) {
    const auto* values = reinterpret_cast<const unsigned long*>(data);
    atoms.assign(values, values + count);
  }
  if (data != nullptr) XFree(data);
  return atoms;
}

// Hands GTK a pointer event on the form's window, as if X had sent it.
void Deliver(TForm& form, GdkEventType type, double x, double y, guint button = 0, guint state = 0) {
  const UniqueEvent event(gdk_event_new(type));
  GdkWindow* window = form.NativeWindow();
  GdkDevice* pointer = gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_window_get_display(window)));
  gdk_event_set_device(event.get(), pointer);
  if (type == GDK_MOTION_NOTIFY) {
    event->motion = {
        type, GDK_WINDOW(g_object_ref(window)), TRUE, GDK_CURRENT_TIME, x, y, nullptr, state, 0, pointer, x, y};
  } else if (type == GDK_LEAVE_NOTIFY) {
    event->crossing.window = GDK_WINDOW(g_object_ref(window));
    event->crossing.mode = GDK_CROSSING_NORMAL;
  } else {
    event->button.window = GDK_WINDOW(g_object_ref(window));
    event->button.time = GDK_CURRENT_TIME;
    event->button.x = x;
    event->button.y = y;
    event->button.button = button;
    event->button.state = state;
  }
  gtk_main_do_event(event.get());
}

class FormTest : public testing::Test {
 protected:
  FormTest() : form_(new TProbeForm(&TestApplication())) {}

  std::unique_ptr<TProbeForm> form_;
};

TEST_F(FormTest, ShowsAtItsPlaceWithItsClientSizeBorderlessOffTheTaskbarPaintingColorAndLabel) {
  form_->Show();
  ASSERT_TRUE(LoopUntil([&] { return form_->paints > 0; }));
  Display* display = XDisplayOf(*form_);
  const Window window = XWindowOf(*form_);

  XWindowAttributes attributes;
  XGetWindowAttributes(display, window, &attributes);
  EXPECT_EQ(attributes.width, 160);
  EXPECT_EQ(attributes.height, 40);
  int x = 0, y = 0;
  Window child = 0;
  XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
  EXPECT_EQ(x, 130);
  EXPECT_EQ(y, 170);

  const std::vector<Atom> state = AtomList(display, window, "_NET_WM_STATE");
  EXPECT_NE(std::ranges::find(state, XInternAtom(display, "_NET_WM_STATE_SKIP_TASKBAR", False)), state.end());
  EXPECT_NE(std::ranges::find(state, XInternAtom(display, "_NET_WM_STATE_SKIP_PAGER", False)), state.end());
  // Flags, functions, decorations: the decorations hint is given, and none are wanted.
  const std::vector<Atom> motif = AtomList(display, window, "_MOTIF_WM_HINTS");
  ASSERT_GE(motif.size(), 3U);
  EXPECT_NE(motif[0] & 2, 0U);
  EXPECT_EQ(motif[2], 0U);

  XImage* image = XGetImage(display, window, 0, 0, 160, 40, AllPlanes, ZPixmap);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(XGetPixel(image, 150, 35) & 0xFFFFFF, 0x0000FFU);
  const TRect label = form_->title->BoundsRect();
  EXPECT_GT(label.right - label.left, 20);
  int white = 0;
  for (int py = label.top; py < label.bottom; ++py) {
    for (int px = label.left; px < label.right; ++px) white += (XGetPixel(image, px, py) & 0xFFFFFF) == 0xFFFFFF;
  }
  XDestroyImage(image);
  EXPECT_GT(white, 20);
}

TEST_F(FormTest, LeftAndTopAreThePlaceOnTheScreenWhateverTheConfigureEventsSay) {
  form_->Show();
  ASSERT_TRUE(LoopUntil([&] { return form_->paints > 0; }));
  XMoveWindow(XDisplayOf(*form_), XWindowOf(*form_), 300, 310);
  XFlush(XDisplayOf(*form_));
  EXPECT_TRUE(LoopUntil([&] { return form_->Left() == 300 && form_->Top() == 310; }));
  // What a reparenting window manager can send last: the window's place in
  // its frame.
  const UniqueEvent frame_relative(gdk_event_new(GDK_CONFIGURE));
  frame_relative->configure.window = GDK_WINDOW(g_object_ref(form_->NativeWindow()));
  frame_relative->configure.width = 160;
  frame_relative->configure.height = 40;
  gtk_main_do_event(frame_relative.get());
  EXPECT_EQ(form_->Left(), 300);
  EXPECT_EQ(form_->Top(), 310);
  // Off screen, the form keeps the last place it had there.
  form_->Hide();
  EXPECT_EQ(form_->Left(), 300);
  EXPECT_EQ(form_->Top(), 310);
}

// As when a tray destroys the socket that our icon's window sits in: the
// window goes from under GTK, whose requests about it then fail. Ends the
// process with status 0 if they end nothing.
[[noreturn]] void DestroyFromOutside(std::unique_ptr<TProbeForm>& form) {
  form->Show();
  if (!LoopUntil([&] { return form->paints > 0; })) std::_Exit(2);
  Display* other = XOpenDisplay(nullptr);
  XDestroyWindow(other, XWindowOf(*form));
  XSync(other, False);
  XCloseDisplay(other);
  gint x = 0;
  gint y = 0;
  gdk_window_get_origin(form->NativeWindow(), &x, &y);
  gdk_display_sync(gdk_display_get_default());
  form.reset();
  gdk_display_sync(gdk_display_get_default());
  std::_Exit(0);
}

TEST_F(FormTest, ItsWindowDestroyedByAnotherProgramEndsNothing) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(DestroyFromOutside(form_), testing::ExitedWithCode(0), "");
}

TEST_F(FormTest, ShowModalDisablesTheOtherVisibleFormsAndTheirFocusUntilCloseEndsItsLoop) {
  const auto other = std::make_unique<TProbeForm>(&TestApplication());
  other->Show();
  std::vector<std::string> reached;
  other->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { reached.emplace_back("down"); };
  other->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { reached.emplace_back("up"); };
  struct Modal {
    TProbeForm* form;
    TProbeForm* other;
    bool other_sensitive = true;
    bool other_takes_focus = true;
  } modal{form_.get(), other.get()};
  // Inside the modal loop: a click on the other form, then the close box.
  form_->OnShow = [&](TObject*) {
    g_idle_add(
        +[](gpointer data) -> gboolean {
          auto* m = static_cast<Modal*>(data);
          m->other_sensitive = gtk_widget_get_sensitive(m->other->Handle()) != FALSE;
          m->other_takes_focus = gtk_window_get_accept_focus(GTK_WINDOW(m->other->Handle())) != FALSE;
          Deliver(*m->other, GDK_BUTTON_PRESS, 150, 30, GDK_BUTTON_SECONDARY);
          Deliver(*m->other, GDK_BUTTON_RELEASE, 150, 30, GDK_BUTTON_SECONDARY);
          m->form->Close();
          return G_SOURCE_REMOVE;
        },
        &modal);
  };

  EXPECT_EQ(form_->ShowModal(), 2);
  EXPECT_TRUE(reached.empty()) << "a disabled form took a click";
  EXPECT_FALSE(modal.other_sensitive);
  EXPECT_FALSE(modal.other_takes_focus) << "a click would give a disabled form the keyboard";
  EXPECT_FALSE(form_->Visible());
  EXPECT_TRUE(gtk_widget_get_sensitive(other->Handle()));
  EXPECT_TRUE(gtk_window_get_accept_focus(GTK_WINDOW(other->Handle())));
  Deliver(*other, GDK_BUTTON_PRESS, 150, 30, GDK_BUTTON_SECONDARY);
  EXPECT_EQ(reached, std::vector<std::string>{"down"}) << "the form stayed disabled";
  EXPECT_THROW(other->ShowModal(), EInvalidOperation);
}

// Soon on the main loop, from whatever loop runs it.
void Soon(std::function<void()> call) {
  g_idle_add_full(
      G_PRIORITY_DEFAULT_IDLE,
      +[](gpointer f) -> gboolean {
        (*static_cast<std::function<void()>*>(f))();
        return G_SOURCE_REMOVE;
      },
      new std::function<void()>(std::move(call)), +[](gpointer f) { delete static_cast<std::function<void()>*>(f); });
}

// The standard error box while a form is modal is over that form: closed, it
// gives the focus back to the form that takes input, not to one the modal
// loop keeps disabled, which then stays so.
TEST_F(FormTest, AnErrorBoxWhileAFormIsModalIsOverItAndTheOthersStayDisabled) {
  const auto strip = std::make_unique<TProbeForm>(&TestApplication());
  strip->Show();
  GtkWindow* parent = nullptr;
  bool strip_sensitive = true;
  form_->OnShow = [&](TObject*) {
    Soon([&] {
      // In the box's own loop: its parent, then OK.
      Soon([&] {
        GList* windows = gtk_window_list_toplevels();
        for (GList* item = windows; item != nullptr; item = item->next) {
          if (!GTK_IS_MESSAGE_DIALOG(item->data)) continue;
          parent = gtk_window_get_transient_for(GTK_WINDOW(item->data));
          gtk_dialog_response(GTK_DIALOG(item->data), GTK_RESPONSE_OK);
        }
        g_list_free(windows);
      });
      TestApplication().HandleException(std::make_exception_ptr(Exception("refused")));
      strip_sensitive = gtk_widget_get_sensitive(strip->Handle()) != FALSE;
      form_->Close();
    });
  };
  EXPECT_EQ(form_->ShowModal(), 2);
  EXPECT_EQ(parent, GTK_WINDOW(form_->Handle()));
  EXPECT_FALSE(strip_sensitive);
  EXPECT_TRUE(gtk_widget_get_sensitive(strip->Handle()));
}

TEST_F(FormTest, PressesOnAControlAreTheControlsAndTheRestReachTheFormWithButtonAndPlace) {
  form_->Show();
  ASSERT_TRUE(LoopUntil([&] { return form_->paints > 0; }));
  std::vector<std::string> seen;
  auto record = [&](const char* who) {
    return [&seen, who](TObject*, TMouseButton button, TShiftState shift, int x, int y) {
      seen.push_back(std::string(who) + " " + std::to_string(static_cast<int>(button)) + " " +
                     std::to_string(shift == TShiftState(TShiftMember::ssRight)) + " " + std::to_string(x) + "," +
                     std::to_string(y));
    };
  };
  form_->OnMouseDown = record("form down");
  form_->OnMouseUp = record("form up");
  form_->title->OnMouseDown = record("label down");
  form_->title->OnMouseEnter = [&](TObject*) { seen.emplace_back("enter"); };
  form_->title->OnMouseLeave = [&](TObject*) { seen.emplace_back("leave"); };
  form_->title->SetCursor(TCursor::crHandPoint);

  Deliver(*form_, GDK_BUTTON_PRESS, 10, 10, GDK_BUTTON_SECONDARY);
  Deliver(*form_, GDK_BUTTON_PRESS, 150, 30, GDK_BUTTON_SECONDARY);
  Deliver(*form_, GDK_BUTTON_RELEASE, 151, 31, GDK_BUTTON_SECONDARY);
  Deliver(*form_, GDK_MOTION_NOTIFY, 12, 12);
  const bool hand_over_label = gdk_window_get_cursor(form_->NativeWindow()) != nullptr;
  Deliver(*form_, GDK_MOTION_NOTIFY, 150, 30);
  const bool hand_beside_label = gdk_window_get_cursor(form_->NativeWindow()) != nullptr;
  Deliver(*form_, GDK_MOTION_NOTIFY, 12, 12);
  Deliver(*form_, GDK_LEAVE_NOTIFY, 0, 0);

  EXPECT_EQ(seen, (std::vector<std::string>{"enter", "label down 1 1 2,2", "form down 1 1 150,30", "form up 1 1 151,31",
                                            "leave", "enter", "leave"}));
  EXPECT_TRUE(hand_over_label);
  EXPECT_FALSE(hand_beside_label);
}

}  // namespace
}  // namespace snx
