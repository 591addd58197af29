#pragma once
// Top-level windows on GTK 3, built from a form description that the program
// carries (see framework/core/stored_description.h).
#include <gtk/gtk.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "framework/core/custom_form.h"
#include "framework/linux/handles.h"

namespace snx {

class TGtkApplication;

// The form carries controls: it paints them and tracks the pointer over
// them. An application owns every form, directly or through other owners.
// No form has a taskbar or pager entry of its own.
class TForm : public TCustomForm {
 public:
  explicit TForm(TComponent* owner);
  ~TForm() override;

  TGtkApplication& OwnerApplication() const { return application_; }

  // The GtkWindow, created (and realised) from the current properties on
  // first use.
  GtkWidget* Handle();
  bool HandleAllocated() const { return window_ != nullptr; }
  // The realised window, for drawing on it outside the draw signal (see
  // x_window.h); the window is app-paintable, so GTK leaves such drawing be.
  GdkWindow* NativeWindow();

  int Width() const { return ClientWidth(); }
  int Height() const { return ClientHeight(); }
  // While the window is on screen, its place as the X server has it now:
  // a reparenting window manager's configure events can describe the window
  // inside its frame rather than on the screen. The top-left of the frame,
  // as SetLeft and SetTop place it.
  int Left() const override;
  int Top() const override;
  void SetLeft(int left) override;
  void SetTop(int top) override;
  void SetClientSize(int width, int height) override;
  void SetCaption(std::string caption) override;
  void SetColor(TColor color) override;

  bool Visible() const override;
  void Show() override;
  void Hide() override;
  int ShowModal() override;

  // Needs a window manager once the form is mapped.
  void SetStayOnTop(bool stay_on_top) override;
  // The window manager's or GDK's own move, so the final position arrives as
  // Left and Top, not as a button release.
  void StartWindowDrag() override;

  // What the window shows under its controls whenever GTK paints it: the
  // form's colour, unless `paint` paints a picture of its own (and says so).
  // A form that draws its picture after the paint (in OnPaint) paints that
  // picture here, or the colour would show until then.
  void SetBackground(std::function<bool(cairo_t*)> paint) { paint_background_ = std::move(paint); }

  void InvalidateClientRect(const TRect& rect) override;
  TSize TextExtent(const TFont& font, std::string_view text) override;
  // List boxes have no window of their own here: raises EInvalidOperation.
  std::unique_ptr<TListWindow> CreateListWindow(TCustomListBox& list) override;

 protected:
  std::string_view StoredDescription(const char* class_name) override;

 private:
  struct Press {
    guint button = 0;
    int x_root = 0, y_root = 0;
    guint32 time = 0;
  };

  void CreateHandle();
  void PaintBackground(cairo_t* cr);
  void SetDialogFrame();
  std::optional<TPoint> ScreenPlace() const;
  void Moved();
  // Disabled forms take no pointer input and no focus: a modal form is up.
  void SetEnabled(bool enabled);
  gboolean Draw(cairo_t* cr);
  void AfterPaint();
  gboolean ButtonPress(const GdkEventButton& event);
  gboolean ButtonRelease(const GdkEventButton& event);
  gboolean Motion(const GdkEventMotion& event);
  void UpdateCursor(int x, int y);
  void DisconnectFrameClock();

  TGtkApplication& application_;
  UniqueWidget window_;
  GdkFrameClock* frame_clock_ = nullptr;
  gulong after_paint_handler_ = 0;
  bool paint_pending_ = false;
  bool stay_on_top_ = false;
  bool enabled_ = true;
  bool hand_cursor_ = false;
  UniqueObject<GdkCursor> hand_;
  Press last_press_;
  std::function<bool(cairo_t*)> paint_background_;
};

}  // namespace snx
