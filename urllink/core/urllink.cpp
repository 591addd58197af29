#include "urllink/core/urllink.h"

#include "framework/core/form_description.h"
#include "framework/core/object.h"

namespace snx {

TURLLink::TURLLink(TComponent* owner, TLinkDesktop& desktop) : TCustomLabel(owner), desktop_(desktop) {
  url_type_ = TURLtype::tpURL;
  SetCursor(TCursor::crHandPoint);
  link_ = "http://";
  Font().SetColor(clBlue);
  normal_color_ = Font().Color();
  SetLinkColor(clRed);
  hint_showing_ = false;
  SetHintOffsetX(15);
  SetHintOffsetY(15);
  SetHintFormColor(clInfoBk);
  SetEnableShowHint(true);
  hint_window_ = desktop_.CreateHintWindow();
}

void TURLLink::SetURLtype(TURLtype value) { Update(url_type_, std::move(value)); }

void TURLLink::SetLink(std::string value) { Update(link_, std::move(value)); }

void TURLLink::SetLinkColor(TColor value) { Update(link_color_, std::move(value)); }

void TURLLink::SetHintFormColor(TColor value) { Update(hint_form_color_, std::move(value)); }

void TURLLink::SetHintOffsetX(int value) { Update(hint_offset_x_, std::move(value)); }

void TURLLink::SetHintOffsetY(int value) { Update(hint_offset_y_, std::move(value)); }

void TURLLink::SetEnableShowHint(bool value) { Update(enable_show_hint_, std::move(value)); }

void TURLLink::SetHintFormFont(const TFont& value) {
  if (&value == &hint_form_font_) return;
  hint_form_font_.Assign(value);
  Invalidate();
}

std::string TURLLink::Target() const { return url_type_ == TURLtype::tpMAIL ? "mailto:" + link_ : link_; }

void TURLLink::HideHint() {
  if (!hint_showing_) return;
  hint_window_->Hide();
  hint_showing_ = false;
}

void TURLLink::CMMouseEnter() {
  TCustomLabel::CMMouseEnter();
  normal_color_ = Font().Color();
  Font().SetColor(link_color_);
  Invalidate();
}

void TURLLink::CMMouseLeave() {
  TCustomLabel::CMMouseLeave();
  Font().SetColor(normal_color_);
  Invalidate();
  HideHint();
}

// The label's own move handling (OnMouseMove) is deliberately not run.
void TURLLink::MouseMove(TShiftState /*shift*/, int /*x*/, int /*y*/) {
  if (!enable_show_hint_ || hint_showing_) return;
  const TPoint pointer = desktop_.CursorPos();
  hint_window_->SetColor(hint_form_color_);
  hint_window_->Font().Assign(hint_form_font_);
  const TSize text = hint_window_->TextExtent(link_);
  hint_window_->SetBounds(pointer.x + hint_offset_x_, pointer.y + hint_offset_y_, text.cx + 6, text.cy + 3);
  hint_window_->ShowNoActivate();
  hint_window_->ShowText(2, 2, link_);
  hint_showing_ = true;
}

void TURLLink::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  Invalidate();
  TCustomLabel::MouseDown(button, shift, x, y);
  if (button != TMouseButton::mbLeft) return;
  desktop_.Execute("OPEN", Target(), "", "", kShowCommandShow);
  HideHint();
}

bool TURLLink::ReadProperty(std::string_view name, const PropertyValue& value, TReader& reader) {
  if (name == "URLType") {
    const std::string& type = value.AsIdentifier();
    if (type == "tpURL")
      SetURLtype(TURLtype::tpURL);
    else if (type == "tpMAIL")
      SetURLtype(TURLtype::tpMAIL);
    else
      throw EReadError("unknown link type " + type);
  } else if (name == "Link") {
    SetLink(value.AsString());
  } else if (name == "LinkColor") {
    SetLinkColor(ReadColor(value));
  } else if (name == "HintFormColor") {
    SetHintFormColor(ReadColor(value));
  } else if (name == "HintOffsetX") {
    SetHintOffsetX(value.AsInteger());
  } else if (name == "HintOffsetY") {
    SetHintOffsetY(value.AsInteger());
  } else if (name == "EnableShowHint") {
    SetEnableShowHint(value.AsBoolean());
  } else if (name.starts_with("HintFormFont.")) {
    return hint_form_font_.ReadProperty(name.substr(13), value);
  } else {
    return TCustomLabel::ReadProperty(name, value, reader);
  }
  return true;
}

}  // namespace snx
