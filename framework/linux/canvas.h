#pragma once
// Drawing with cairo and Pango: colours and fonts as the framework describes
// them, and a canvas on a cairo context.
#include <cairo.h>
#include <pango/pango.h>

#include <cstdint>
#include <string_view>

#include "framework/core/canvas.h"
#include "framework/linux/handles.h"

namespace snx {

// 0xRRGGBB; system colours take the standard Windows scheme's values.
std::uint32_t ColorToRGB(TColor color);
void SetSourceColor(cairo_t* cr, TColor color);

// A layout of the text in the font: family (Windows names that fontconfig
// does not know fall back to the installed equivalents), height (negative:
// character height in pixels), bold, italic, underline and strike-out.
UniqueObject<PangoLayout> CreateTextLayout(PangoContext* context, const TFont& font, std::string_view text);
// Size of a text in a font on the default screen.
TSize MeasureText(const TFont& font, std::string_view text);

// A canvas on a cairo context owned by someone else.
class TCairoCanvas final : public TCanvas {
 public:
  explicit TCairoCanvas(cairo_t* cr) : cr_(cr) {}

  TSize TextExtent(std::string_view text) override;
  void FillRect(const TRect& rect, TColor color) override;
  void TextRect(const TRect& clip, int x, int y, std::string_view text) override;
  void Draw(const TRect& rect, const TBitmap& bitmap) override;

 private:
  cairo_t* cr_;
};

}  // namespace snx
