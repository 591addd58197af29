#include "framework/core/bitmap.h"

#include <cstdlib>
#include <string>

#include "framework/core/object.h"

namespace snx {

namespace {

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::uint16_t U16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

[[noreturn]] void Unusable(const char* why) { throw EReadError(std::string("picture data: ") + why); }

}  // namespace

TBitmap TBitmap::FromFile(std::vector<std::uint8_t> file) {
  constexpr std::size_t kInfoHeaderSize = 40;
  constexpr std::int64_t kMaxSide = 32767;
  if (file.size() < kFileHeaderSize + kInfoHeaderSize) Unusable("too short for a bitmap file");
  if (file[0] != 'B' || file[1] != 'M') Unusable("not a bitmap file");
  const std::uint32_t bits_offset = U32(file, 10);
  const std::uint32_t header_size = U32(file, 14);
  const auto width = static_cast<std::int32_t>(U32(file, 18));
  const auto height = static_cast<std::int32_t>(U32(file, 22));
  const std::uint16_t planes = U16(file, 26);
  const std::uint16_t bit_count = U16(file, 28);
  const std::uint32_t compression = U32(file, 30);
  const std::uint32_t colors_used = U32(file, 46);

  if (header_size < kInfoHeaderSize || header_size > file.size() - kFileHeaderSize) Unusable("bad header size");
  if (width <= 0 || width > kMaxSide || height == 0 || std::llabs(height) > kMaxSide) Unusable("bad size");
  if (planes != 1 || compression != 0) Unusable("compressed or multi-plane");
  if (bit_count != 1 && bit_count != 4 && bit_count != 8 && bit_count != 16 && bit_count != 24 && bit_count != 32) {
    Unusable("bad pixel depth");
  }
  const std::uint64_t colors = bit_count <= 8 ? (colors_used != 0 ? colors_used : 1u << bit_count) : colors_used;
  if (colors > 256 && bit_count <= 8) Unusable("bad colour table");
  const std::uint64_t table_end = kFileHeaderSize + header_size + colors * 4;
  const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bit_count + 31) / 32 * 4;
  const std::uint64_t rows_size = stride * static_cast<std::uint64_t>(std::llabs(height));
  if (bits_offset < table_end || bits_offset > file.size() || rows_size > file.size() - bits_offset) {
    Unusable("pixel rows outside the data");
  }

  TBitmap bitmap;
  bitmap.file_ = std::move(file);
  bitmap.bits_offset_ = bits_offset;
  bitmap.width_ = width;
  bitmap.height_ = static_cast<int>(std::llabs(height));
  return bitmap;
}

}  // namespace snx
