#include "framework/linux/bitmap_surface.h"

#include <cstdint>

#include "framework/core/object.h"

namespace snx {

UniqueSurface SurfaceFromBitmap(const TBitmap& bitmap) {
  UniqueSurface surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, bitmap.Width(), bitmap.Height()));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) throw EOutOfResources("no memory for a picture");
  cairo_surface_flush(surface.get());
  unsigned char* data = cairo_image_surface_get_data(surface.get());
  const int stride = cairo_image_surface_get_stride(surface.get());
  for (int y = 0; y < bitmap.Height(); ++y) {
    // RGB24 keeps each pixel in a native-endian 32-bit word, red in bits 16-23.
    auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
    for (int x = 0; x < bitmap.Width(); ++x) row[x] = bitmap.Rgb(x, y);
  }
  cairo_surface_mark_dirty(surface.get());
  return surface;
}

}  // namespace snx
