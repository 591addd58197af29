#include "framework/linux/bitmap_surface.h"

#include <cstring>

#include "framework/core/bitmap_pixels.h"
#include "framework/core/object.h"

namespace snx {

UniqueSurface SurfaceFromBitmap(const TBitmap& bitmap) {
  const std::vector<std::uint32_t> pixels = BitmapPixels(bitmap);
  UniqueSurface surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, bitmap.Width(), bitmap.Height()));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) throw EOutOfResources("no memory for a picture");
  cairo_surface_flush(surface.get());
  unsigned char* data = cairo_image_surface_get_data(surface.get());
  const int stride = cairo_image_surface_get_stride(surface.get());
  const auto row_bytes = static_cast<std::size_t>(bitmap.Width()) * sizeof(std::uint32_t);
  for (int y = 0; y < bitmap.Height(); ++y) {
    std::memcpy(data + static_cast<std::ptrdiff_t>(y) * stride,
                pixels.data() + static_cast<std::size_t>(y) * bitmap.Width(), row_bytes);
  }
  cairo_surface_mark_dirty(surface.get());
  return surface;
}

}  // namespace snx
