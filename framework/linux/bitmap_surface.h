#pragma once
// Bitmaps as cairo image surfaces.
#include "framework/core/bitmap.h"
#include "framework/linux/handles.h"

namespace snx {

// An opaque (RGB24) image surface of the bitmap's size and pixels.
UniqueSurface SurfaceFromBitmap(const TBitmap& bitmap);

}  // namespace snx
