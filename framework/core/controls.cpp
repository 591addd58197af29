#include "framework/core/controls.h"

#include <cstdint>

#include "framework/core/erase_last.h"
#include "framework/core/form_description.h"
#include "framework/core/object.h"

namespace snx {

// --- TControlParent ---

TControlParent::~TControlParent() {
  // The window part has gone already, so nothing may call back into it:
  // controls still here are only unlinked.
  for (TControl* control : controls_) control->parent_ = nullptr;
}

void TControlParent::DetachControls() {
  while (!controls_.empty()) controls_.back()->SetParent(nullptr);
}

TControl* TControlParent::ControlAt(int x, int y) const {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    if ((*it)->Visible() && (*it)->BoundsRect().Contains(x, y)) return *it;
  }
  return nullptr;
}

void TControlParent::PaintControls(TCanvas& canvas) {
  for (TControl* control : controls_) {
    if (control->Visible()) control->Paint(canvas);
  }
}

void TControlParent::MouseMoved(TShiftState shift, int x, int y) {
  TControl* under = ControlAt(x, y);
  if (under != mouse_control_) {
    TControl* left = mouse_control_;
    mouse_control_ = under;
    if (left != nullptr) left->CMMouseLeave();
    if (under != nullptr) under->CMMouseEnter();
  }
  if (under != nullptr) under->MouseMove(shift, x - under->Left(), y - under->Top());
}

void TControlParent::MouseLeft() {
  TControl* left = mouse_control_;
  mouse_control_ = nullptr;
  if (left != nullptr) left->CMMouseLeave();
}

bool TControlParent::MousePressed(TMouseButton button, TShiftState shift, int x, int y) {
  TControl* under = ControlAt(x, y);
  if (under == nullptr) return false;
  // A press without a move before it (the window just appeared under the
  // pointer) still enters the control first.
  if (under != mouse_control_) MouseMoved(shift, x, y);
  under->MouseDown(button, shift, x - under->Left(), y - under->Top());
  return true;
}

// --- TControl ---

TControl::TControl(TComponent* owner) : TComponent(owner) {
  font_.OnChange = [this](TObject*) {
    if (!taking_parent_font_) parent_font_ = false;
    FontChanged();
  };
}

TControl::~TControl() {
  // Leaves the parent while this object is still whole.
  if (parent_ != nullptr) {
    EraseLast(parent_->controls_, this);
    if (parent_->mouse_control_ == this) parent_->mouse_control_ = nullptr;
    parent_->InvalidateClientRect(bounds_);
  }
}

void TControl::SetParent(TControlParent* parent) {
  if (parent == parent_) return;
  if (parent_ != nullptr) {
    Invalidate();
    EraseLast(parent_->controls_, this);
    if (parent_->mouse_control_ == this) parent_->mouse_control_ = nullptr;
  }
  parent_ = parent;
  if (parent_ != nullptr) {
    parent_->controls_.push_back(this);
    if (parent_color_) color_ = parent_->Color();
    if (parent_font_) TakeParentFont();
  }
  ParentChanged();
  Invalidate();
}

void TControl::TakeParentFont() {
  taking_parent_font_ = true;
  font_.Assign(parent_->Font());
  taking_parent_font_ = false;
}

void TControl::SetBounds(int left, int top, int width, int height) {
  // The rectangle keeps the far edges, which must stay in the coordinate range.
  const std::int64_t right = std::int64_t{left} + width;
  const std::int64_t bottom = std::int64_t{top} + height;
  if (right < INT32_MIN || right > INT32_MAX || bottom < INT32_MIN || bottom > INT32_MAX) {
    throw EInvalidOperation("control " + Name() + ": bounds outside the coordinate range");
  }
  TRect bounds{left, top, static_cast<int>(right), static_cast<int>(bottom)};
  if (bounds == bounds_) return;
  Invalidate();
  bounds_ = bounds;
  Invalidate();
  BoundsChanged();
}

void TControl::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  if (parent_ != nullptr) parent_->InvalidateClientRect(bounds_);
}

void TControl::SetColor(TColor color) {
  parent_color_ = false;
  if (color == color_) return;
  color_ = color;
  Invalidate();
}

void TControl::SetParentFont(bool value) {
  parent_font_ = value;
  if (value && parent_ != nullptr) TakeParentFont();
}

void TControl::SetParentColor(bool value) {
  parent_color_ = value;
  if (value && parent_ != nullptr && color_ != parent_->Color()) {
    color_ = parent_->Color();
    Invalidate();
  }
}

void TControl::Invalidate() {
  if (parent_ != nullptr && visible_) parent_->InvalidateClientRect(bounds_);
}

void TControl::Paint(TCanvas& /*canvas*/) {}

void TControl::FontChanged() { Invalidate(); }

void TControl::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::CMMouseEnter() {
  if (OnMouseEnter) OnMouseEnter(this);
}

void TControl::CMMouseLeave() {
  if (OnMouseLeave) OnMouseLeave(this);
}

bool TControl::ReadProperty(std::string_view name, const PropertyValue& value, TReader& reader) {
  if (name == "Left") {
    SetBounds(value.AsInteger(), Top(), Width(), Height());
  } else if (name == "Top") {
    SetBounds(Left(), value.AsInteger(), Width(), Height());
  } else if (name == "Width") {
    SetBounds(Left(), Top(), value.AsInteger(), Height());
  } else if (name == "Height") {
    SetBounds(Left(), Top(), Width(), value.AsInteger());
  } else if (name == "Visible") {
    SetVisible(value.AsBoolean());
  } else if (name == "Cursor") {
    const std::string& cursor = value.AsIdentifier();
    if (cursor == "crHandPoint")
      SetCursor(TCursor::crHandPoint);
    else if (cursor == "crDefault")
      SetCursor(TCursor::crDefault);
    else
      throw EReadError("unknown cursor " + cursor);
  } else if (name == "Color") {
    SetColor(ReadColor(value));
  } else if (name == "ParentColor") {
    SetParentColor(value.AsBoolean());
  } else if (name == "ParentFont") {
    SetParentFont(value.AsBoolean());
  } else if (name.starts_with("Font.")) {
    return font_.ReadProperty(name.substr(5), value);
  } else {
    return TComponent::ReadProperty(name, value, reader);
  }
  return true;
}

// --- TCustomLabel ---

TCustomLabel::TCustomLabel(TComponent* owner) : TControl(owner) {}

void TCustomLabel::SetCaption(std::string caption) {
  if (caption == caption_) return;
  caption_ = std::move(caption);
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::SetTransparent(bool transparent) {
  if (transparent == transparent_) return;
  transparent_ = transparent;
  Invalidate();
}

void TCustomLabel::SetAutoSize(bool auto_size) {
  if (auto_size == auto_size_) return;
  auto_size_ = auto_size;
  AdjustBounds();
}

void TCustomLabel::AdjustBounds() {
  // While loading, the stored size stands until Loaded.
  if (!auto_size_ || IsLoading() || Parent() == nullptr) return;
  const TSize size = Parent()->TextExtent(Font(), caption_);
  SetBounds(Left(), Top(), size.cx, size.cy);
}

void TCustomLabel::FontChanged() {
  AdjustBounds();
  TControl::FontChanged();
}

void TCustomLabel::ParentChanged() { AdjustBounds(); }

void TCustomLabel::Loaded() {
  TControl::Loaded();
  AdjustBounds();
}

void TCustomLabel::Paint(TCanvas& canvas) {
  if (!transparent_) canvas.FillRect(BoundsRect(), Color());
  canvas.Font().Assign(Font());
  canvas.TextRect(BoundsRect(), Left(), Top(), caption_);
}

bool TCustomLabel::ReadProperty(std::string_view name, const PropertyValue& value, TReader& reader) {
  if (name == "Caption") {
    SetCaption(value.AsString());
  } else if (name == "Transparent") {
    SetTransparent(value.AsBoolean());
  } else if (name == "AutoSize") {
    SetAutoSize(value.AsBoolean());
  } else {
    return TControl::ReadProperty(name, value, reader);
  }
  return true;
}

// --- TImage ---

void TImage::SetPicture(TBitmap picture) {
  picture_ = std::move(picture);
  Invalidate();
}

void TImage::Paint(TCanvas& canvas) {
  if (picture_) canvas.Draw(BoundsRect(), *picture_);
}

bool TImage::ReadProperty(std::string_view name, const PropertyValue& value, TReader& reader) {
  if (name != "Picture.Data") return TControl::ReadProperty(name, value, reader);
  if (value.kind != PropertyValue::Kind::vkBinary) throw EReadError("binary picture data expected");
  SetPicture(TBitmap::FromFile(value.bytes));
  return true;
}

}  // namespace snx
