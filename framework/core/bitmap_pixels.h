#pragma once
// A bitmap's pixels as plain 0x00RRGGBB words, for platforms that draw
// from memory rather than from the stored rows.
#include <cstdint>
#include <vector>

#include "framework/core/bitmap.h"

namespace snx {

// Width x Height words, top row first. A palette index past the bitmap's
// colour table gives black.
std::vector<std::uint32_t> BitmapPixels(const TBitmap& bitmap);

}  // namespace snx
