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
  bitmap.table_offset_ = kFileHeaderSize + header_size;
  bitmap.stride_ = static_cast<std::size_t>(stride);
  bitmap.colors_ = static_cast<std::size_t>(colors);
  bitmap.bit_count_ = bit_count;
  bitmap.top_down_ = height < 0;
  return bitmap;
}

std::uint32_t TBitmap::Rgb(int x, int y) const {
  const auto row = static_cast<std::size_t>(top_down_ ? y : height_ - 1 - y);
  const std::uint8_t* p = Bits() + row * stride_;
  const auto column = static_cast<std::size_t>(x);
  auto bgr = [](const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[1]) << 8 | at[0];
  };
  switch (bit_count_) {
    case 32:
      return bgr(p + column * 4);
    case 24:
      return bgr(p + column * 3);
    case 16: {
      // Five bits each of red, green and blue, each widened to eight.
      const unsigned v = p[column * 2] | p[column * 2 + 1] << 8;
      auto widen = [](unsigned five) { return (five << 3) | (five >> 2); };
      return widen((v >> 10) & 31) << 16 | widen((v >> 5) & 31) << 8 | widen(v & 31);
    }
    default: {
      // An index into the colour table, the leftmost pixel in the high bits.
      const auto bits = static_cast<std::size_t>(bit_count_);
      const std::size_t bit = column * bits;
      const unsigned index = (p[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
      // An index past a short table has no colour: black, as the system draws it.
      return index < colors_ ? bgr(file_.data() + table_offset_ + std::size_t{index} * 4) : 0;
    }
  }
}

}  // namespace snx
