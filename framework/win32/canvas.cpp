#include "framework/win32/canvas.h"

#include "framework/win32/unicode.h"

namespace snx {

COLORREF ColorToRGB(TColor color) {
  return IsSystemColor(color) ? GetSysColor(static_cast<int>(color & 0xFF)) : color & 0xFFFFFF;
}

UniqueFont CreateFontHandle(const TFont& font) {
  return UniqueFont(CreateFontW(font.Height(), 0, 0, 0, font.HasStyle(TFontStyle::fsBold) ? FW_BOLD : FW_NORMAL,
                                font.HasStyle(TFontStyle::fsItalic), font.HasStyle(TFontStyle::fsUnderline),
                                font.HasStyle(TFontStyle::fsStrikeOut), font.Charset(), OUT_DEFAULT_PRECIS,
                                CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, Widen(font.Name()).c_str()));
}

TSize MeasureText(const TFont& font, std::wstring_view text) {
  const UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
  const UniqueFont handle = CreateFontHandle(font);
  const HGDIOBJ original = SelectObject(dc.get(), handle.get());
  SIZE size{};
  GetTextExtentPoint32W(dc.get(), text.data(), static_cast<int>(text.size()), &size);
  SelectObject(dc.get(), original);
  return {size.cx, size.cy};
}

TDCCanvas::TDCCanvas(HDC dc) : dc_(dc) {
  Font().OnChange = [this](TObject*) { font_changed_ = true; };
}

TDCCanvas::~TDCCanvas() {
  if (original_font_ != nullptr) SelectObject(dc_, original_font_);
}

void TDCCanvas::UseFont() {
  if (!font_changed_) return;
  UniqueFont font = CreateFontHandle(Font());
  const HGDIOBJ previous = SelectObject(dc_, font.get());
  if (original_font_ == nullptr) original_font_ = previous;
  font_ = std::move(font);  // the one it replaces is no longer selected
  font_changed_ = false;
}

TSize TDCCanvas::TextExtent(std::string_view text) {
  UseFont();
  const std::wstring wide = Widen(text);
  SIZE size{};
  GetTextExtentPoint32W(dc_, wide.c_str(), static_cast<int>(wide.size()), &size);
  return {size.cx, size.cy};
}

void TDCCanvas::FillRect(const TRect& rect, TColor color) {
  const RECT r{rect.left, rect.top, rect.right, rect.bottom};
  const UniqueBrush brush(CreateSolidBrush(ColorToRGB(color)));
  ::FillRect(dc_, &r, brush.get());
}

void TDCCanvas::TextRect(const TRect& clip, int x, int y, std::string_view text) {
  UseFont();
  const std::wstring wide = Widen(text);
  const RECT r{clip.left, clip.top, clip.right, clip.bottom};
  SetBkMode(dc_, TRANSPARENT);
  SetTextColor(dc_, ColorToRGB(Font().Color()));
  ExtTextOutW(dc_, x, y, ETO_CLIPPED, &r, wide.c_str(), static_cast<UINT>(wide.size()), nullptr);
}

void TDCCanvas::Draw(const TRect& rect, const TBitmap& bitmap) {
  const int saved = SaveDC(dc_);
  IntersectClipRect(dc_, rect.left, rect.top, rect.right, rect.bottom);
  SetDIBitsToDevice(dc_, rect.left, rect.top, static_cast<DWORD>(bitmap.Width()), static_cast<DWORD>(bitmap.Height()),
                    0, 0, 0, static_cast<UINT>(bitmap.Height()), bitmap.Bits(),
                    reinterpret_cast<const BITMAPINFO*>(bitmap.Info()), DIB_RGB_COLORS);
  RestoreDC(dc_, saved);
}

}  // namespace snx
