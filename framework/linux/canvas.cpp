#include "framework/linux/canvas.h"

#include <gdk/gdk.h>
#include <pango/pangocairo.h>

#include <array>
#include <cstdlib>
#include <string>
#include <utility>

#include "framework/linux/bitmap_surface.h"

namespace snx {

namespace {

// The system colours the program's forms use, by index.
constexpr std::array<std::pair<std::uint32_t, std::uint32_t>, 6> kSystemColors{{
    {5, 0xFFFFFF},   // window
    {8, 0x000000},   // window text
    {15, 0xF0F0F0},  // button face
    {18, 0x000000},  // button text
    {23, 0x000000},  // tooltip text
    {24, 0xFFFFE1},  // tooltip background
}};

// Windows font names and what stands in for them here.
constexpr std::array<std::pair<std::string_view, std::string_view>, 6> kFontFallbacks{{
    {"ＭＳ Ｐゴシック", "IPAPGothic"},
    {"MS PGothic", "IPAPGothic"},
    {"MS UI Gothic", "IPAPGothic"},
    {"ＭＳ ゴシック", "IPAGothic"},
    {"MS Gothic", "IPAGothic"},
    {"MS Sans Serif", "Sans"},
}};

UniqueFontDescription FontDescription(const TFont& font) {
  std::string families = font.Name();
  for (const auto& [name, fallback] : kFontFallbacks) {
    if (name == font.Name()) families.append(",").append(fallback);
  }
  UniqueFontDescription description(pango_font_description_new());
  pango_font_description_set_family(description.get(), families.c_str());
  pango_font_description_set_absolute_size(description.get(), std::abs(font.Height()) * PANGO_SCALE);
  pango_font_description_set_weight(description.get(),
                                    font.HasStyle(TFontStyle::fsBold) ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_style(description.get(),
                                   font.HasStyle(TFontStyle::fsItalic) ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  return description;
}

}  // namespace

std::uint32_t ColorToRGB(TColor color) {
  if (!IsSystemColor(color)) return (color & 0xFF) << 16 | (color & 0xFF00) | (color >> 16 & 0xFF);
  for (const auto& [index, rgb] : kSystemColors) {
    if (index == (color & 0xFF)) return rgb;
  }
  return 0;
}

void SetSourceColor(cairo_t* cr, TColor color) {
  const std::uint32_t rgb = ColorToRGB(color);
  cairo_set_source_rgb(cr, (rgb >> 16 & 0xFF) / 255.0, (rgb >> 8 & 0xFF) / 255.0, (rgb & 0xFF) / 255.0);
}

UniqueObject<PangoLayout> CreateTextLayout(PangoContext* context, const TFont& font, std::string_view text) {
  UniqueObject<PangoLayout> layout(pango_layout_new(context));
  const UniqueFontDescription description = FontDescription(font);
  pango_layout_set_font_description(layout.get(), description.get());
  const UniqueAttrList attributes(pango_attr_list_new());
  if (font.HasStyle(TFontStyle::fsUnderline)) {
    pango_attr_list_insert(attributes.get(), pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
  }
  if (font.HasStyle(TFontStyle::fsStrikeOut))
    pango_attr_list_insert(attributes.get(), pango_attr_strikethrough_new(TRUE));
  pango_layout_set_attributes(layout.get(), attributes.get());
  pango_layout_set_text(layout.get(), text.data(), static_cast<int>(text.size()));
  return layout;
}

TSize MeasureText(const TFont& font, std::string_view text) {
  const UniqueObject<PangoContext> context(gdk_pango_context_get());
  const UniqueObject<PangoLayout> layout = CreateTextLayout(context.get(), font, text);
  TSize size;
  pango_layout_get_pixel_size(layout.get(), &size.cx, &size.cy);
  return size;
}

TSize TCairoCanvas::TextExtent(std::string_view text) {
  const UniqueObject<PangoContext> context(pango_cairo_create_context(cr_));
  const UniqueObject<PangoLayout> layout = CreateTextLayout(context.get(), Font(), text);
  TSize size;
  pango_layout_get_pixel_size(layout.get(), &size.cx, &size.cy);
  return size;
}

void TCairoCanvas::FillRect(const TRect& rect, TColor color) {
  SetSourceColor(cr_, color);
  cairo_rectangle(cr_, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  cairo_fill(cr_);
}

void TCairoCanvas::TextRect(const TRect& clip, int x, int y, std::string_view text) {
  const UniqueObject<PangoContext> context(pango_cairo_create_context(cr_));
  const UniqueObject<PangoLayout> layout = CreateTextLayout(context.get(), Font(), text);
  cairo_save(cr_);
  cairo_rectangle(cr_, clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top);
  cairo_clip(cr_);
  SetSourceColor(cr_, Font().Color());
  cairo_move_to(cr_, x, y);
  pango_cairo_show_layout(cr_, layout.get());
  cairo_restore(cr_);
}

void TCairoCanvas::Draw(const TRect& rect, const TBitmap& bitmap) {
  const UniqueSurface surface = SurfaceFromBitmap(bitmap);
  cairo_save(cr_);
  cairo_rectangle(cr_, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  cairo_clip(cr_);
  cairo_set_source_surface(cr_, surface.get(), rect.left, rect.top);
  cairo_paint(cr_);
  cairo_restore(cr_);
}

}  // namespace snx
