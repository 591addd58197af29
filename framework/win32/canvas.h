#pragma once
// Drawing with GDI: fonts and colours as the framework describes them, and
// a canvas on a device context.
#include <windows.h>

#include <string_view>

#include "framework/core/canvas.h"
#include "framework/win32/handles.h"

namespace snx {

COLORREF ColorToRGB(TColor color);
UniqueFont CreateFontHandle(const TFont& font);
// Size of a text in a font, on a memory context like the screen.
TSize MeasureText(const TFont& font, std::wstring_view text);

// A canvas on a device context owned by someone else; the context gets its
// own font back when the canvas goes.
class TDCCanvas final : public TCanvas {
 public:
  explicit TDCCanvas(HDC dc);
  ~TDCCanvas() override;

  TSize TextExtent(std::string_view text) override;
  void FillRect(const TRect& rect, TColor color) override;
  void TextRect(const TRect& clip, int x, int y, std::string_view text) override;
  void Draw(const TRect& rect, const TBitmap& bitmap) override;

 private:
  void UseFont();

  HDC dc_;
  UniqueFont font_;
  HGDIOBJ original_font_ = nullptr;
  bool font_changed_ = true;
};

}  // namespace snx
