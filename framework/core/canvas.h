#pragma once
// The drawing surface that windowless controls paint on.
#include <string_view>

#include "framework/core/bitmap.h"
#include "framework/core/geometry.h"
#include "framework/core/graphics.h"

namespace snx {

// Text and pictures on a window or in memory. The platform provides it;
// every call draws in the current Font.
class TCanvas {
 public:
  TCanvas() = default;
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;
  virtual ~TCanvas() = default;

  TFont& Font() { return font_; }

  virtual TSize TextExtent(std::string_view text) = 0;
  virtual void FillRect(const TRect& rect, TColor color) = 0;
  // Text with its top-left at (x, y) in the font's colour over what lies
  // beneath, clipped to `clip`.
  virtual void TextRect(const TRect& clip, int x, int y, std::string_view text) = 0;
  // The bitmap unscaled with its top-left at the rectangle's, clipped to it.
  virtual void Draw(const TRect& rect, const TBitmap& bitmap) = 0;

 private:
  TFont font_;
};

}  // namespace snx
