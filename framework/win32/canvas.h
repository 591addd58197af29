#pragma once
// Drawing with GDI: fonts and colours as the framework describes them, and
// a canvas on a device context.
#include <windows.h>

#include <memory>
#include <string_view>
#include <type_traits>

#include "framework/core/canvas.h"

namespace snx {

struct GdiObjectDeleter {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;
using UniqueBrush = std::unique_ptr<std::remove_pointer_t<HBRUSH>, GdiObjectDeleter>;

struct MemoryDCDeleter {
  void operator()(HDC dc) const { DeleteDC(dc); }
};
using UniqueMemoryDC = std::unique_ptr<std::remove_pointer_t<HDC>, MemoryDCDeleter>;

// A window's device context for the span of a scope.
class TWindowDC {
 public:
  explicit TWindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  TWindowDC(const TWindowDC&) = delete;
  TWindowDC& operator=(const TWindowDC&) = delete;
  ~TWindowDC() { ReleaseDC(window_, dc_); }
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

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
