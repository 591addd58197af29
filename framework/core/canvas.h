#pragma once
// Geometry, bitmaps and the drawing surface that windowless controls paint on.
#include <cstdint>
#include <string_view>
#include <vector>

#include "framework/core/graphics.h"

namespace snx {

struct TPoint {
  int X = 0;
  int Y = 0;
};

struct TSize {
  int cx = 0;
  int cy = 0;
};

struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
  friend bool operator==(const TRect&, const TRect&) = default;
};

// A Windows bitmap file as stored, checked once so that drawing it never
// reads outside the data. Uncompressed bitmaps of 1 to 32 bits per pixel.
class TBitmap {
 public:
  // Raises EReadError for data that is not such a bitmap file.
  static TBitmap FromFile(std::vector<std::uint8_t> file);

  int Width() const { return width_; }
  int Height() const { return height_; }
  // The BITMAPINFO (header and colour table) and the pixel rows, for the platform.
  const std::uint8_t* Info() const { return file_.data() + kFileHeaderSize; }
  const std::uint8_t* Bits() const { return file_.data() + bits_offset_; }

 private:
  static constexpr std::size_t kFileHeaderSize = 14;
  std::vector<std::uint8_t> file_;
  std::size_t bits_offset_ = 0;
  int width_ = 0;
  int height_ = 0;
};

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
  int TextWidth(std::string_view text) { return TextExtent(text).cx; }
  int TextHeight(std::string_view text) { return TextExtent(text).cy; }
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
