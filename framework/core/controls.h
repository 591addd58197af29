#pragma once
// Controls on a window. Windowless ones (labels, images) are painted by the
// window they lie on, which also tells them where the pointer is; windowed
// ones (list boxes) get a native window from their parent's platform.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/bitmap.h"
#include "framework/core/canvas.h"
#include "framework/core/component.h"
#include "framework/core/events.h"
#include "framework/core/geometry.h"
#include "framework/core/graphics.h"

namespace snx {

class TControl;
class TCustomListBox;
class TListWindow;

enum class TCursor : std::int16_t { crDefault = 0, crHandPoint = -21 };

// A window that carries controls: the platform part draws, measures and
// makes native child windows; this part keeps the controls and routes the
// pointer to the topmost one under it.
class TControlParent {
 public:
  TControlParent() = default;
  TControlParent(const TControlParent&) = delete;
  TControlParent& operator=(const TControlParent&) = delete;

  // In the order they were placed; later ones lie above earlier ones.
  const std::vector<TControl*>& Controls() const { return controls_; }
  // The topmost visible control at a client point, or null.
  TControl* ControlAt(int x, int y) const;

  virtual TFont& Font() = 0;
  virtual TColor Color() const = 0;
  virtual void InvalidateClientRect(const TRect& rect) = 0;
  virtual TSize TextExtent(const TFont& font, std::string_view text) = 0;
  virtual std::unique_ptr<TListWindow> CreateListWindow(TCustomListBox& list) = 0;

  // What the platform part reports, in client coordinates.
  void PaintControls(TCanvas& canvas);
  // The pointer moved over the window: exit and entry, then the move.
  void MouseMoved(TShiftState shift, int x, int y);
  // The pointer left the window, or the window went off screen.
  void MouseLeft();
  // A button went down; false when no control lies there.
  bool MousePressed(TMouseButton button, TShiftState shift, int x, int y);

 protected:
  ~TControlParent();
  // Takes every control off this parent; the platform part calls it before
  // its window goes, so that no child window outlives it.
  void DetachControls();

 private:
  friend class TControl;
  std::vector<TControl*> controls_;
  TControl* mouse_control_ = nullptr;
};

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;

  TControlParent* Parent() const { return parent_; }
  // Places the control on a window (or takes it off with null). A control
  // with ParentFont or ParentColor takes that window's font or colour then.
  void SetParent(TControlParent* parent);

  int Left() const { return bounds_.left; }
  int Top() const { return bounds_.top; }
  int Width() const { return bounds_.right - bounds_.left; }
  int Height() const { return bounds_.bottom - bounds_.top; }
  const TRect& BoundsRect() const { return bounds_; }
  // Raises EInvalidOperation when the right or bottom edge leaves the int range.
  void SetBounds(int left, int top, int width, int height);

  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor cursor) { cursor_ = cursor; }
  // Changing the font clears ParentFont, setting the colour ParentColor.
  TFont& Font() { return font_; }
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  bool ParentFont() const { return parent_font_; }
  void SetParentFont(bool value);
  bool ParentColor() const { return parent_color_; }
  void SetParentColor(bool value);

  // Asks the parent to repaint the control's rectangle.
  void Invalidate();
  virtual void Paint(TCanvas& canvas);

  // Pointer handlers, called by the parent; x and y are the control's own.
  // The defaults raise the matching events.
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void CMMouseEnter();
  virtual void CMMouseLeave();

  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseDown;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;

  bool ReadProperty(std::string_view name, const PropertyValue& value, TReader& reader) override;

 protected:
  virtual void FontChanged();
  virtual void BoundsChanged() {}
  virtual void ParentChanged() {}

 private:
  friend class TControlParent;
  void TakeParentFont();

  TControlParent* parent_ = nullptr;
  TRect bounds_;
  bool visible_ = true;
  TCursor cursor_ = TCursor::crDefault;
  TFont font_;
  TColor color_ = clWindow;
  bool parent_font_ = true;
  bool parent_color_ = true;
  bool taking_parent_font_ = false;
};

// A one-line caption in the control's font.
class TCustomLabel : public TControl {
 public:
  explicit TCustomLabel(TComponent* owner);

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  // A transparent label leaves its background unpainted.
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent);
  // An auto-sized label takes the size of its caption whenever the caption
  // or the font changes (once it is loaded and on a parent).
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool auto_size);

  void Paint(TCanvas& canvas) override;
  bool ReadProperty(std::string_view name, const PropertyValue& value, TReader& reader) override;
  void Loaded() override;

 protected:
  void FontChanged() override;
  void ParentChanged() override;

 private:
  void AdjustBounds();

  std::string caption_;
  bool transparent_ = false;
  bool auto_size_ = true;
};

class TLabel : public TCustomLabel {
 public:
  using TCustomLabel::TCustomLabel;
};

// A picture from the form description ("Picture.Data": a bitmap file),
// drawn unscaled at the control's top-left and clipped to the control.
class TImage : public TControl {
 public:
  explicit TImage(TComponent* owner) : TControl(owner) {}

  const std::optional<TBitmap>& Picture() const { return picture_; }
  void SetPicture(TBitmap picture);

  void Paint(TCanvas& canvas) override;
  bool ReadProperty(std::string_view name, const PropertyValue& value, TReader& reader) override;

 private:
  std::optional<TBitmap> picture_;
};

}  // namespace snx
