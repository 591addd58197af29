#pragma once
// Pictures as stored in Windows bitmap files.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace snx {

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
  // The colour of the pixel at (x, y), counted from the top-left, as
  // 0x00RRGGBB; platforms without the bitmap calls draw from these.
  std::uint32_t Rgb(int x, int y) const;

 private:
  static constexpr std::size_t kFileHeaderSize = 14;
  std::vector<std::uint8_t> file_;
  std::size_t bits_offset_ = 0;
  std::size_t table_offset_ = 0;
  std::size_t colors_ = 0;
  std::size_t stride_ = 0;
  int bit_count_ = 0;
  bool top_down_ = false;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace snx
