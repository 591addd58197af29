#include "main/linux/meter_skin.h"

#include <X11/Xutil.h>
#include <cairo-xlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "framework/core/bitmap.h"
#include "framework/core/object.h"
#include "framework/linux/handles.h"
#include "framework/linux/regular_file.h"

namespace snx {

namespace {

// An 8-bit channel scaled into the bits of `mask`.
unsigned long Channel(std::uint32_t value, unsigned long mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (((mask >> shift) & 1) == 0) ++shift;
  const unsigned long top = mask >> shift;
  return ((value * top + 127) / 255) << shift;
}

// The strip is 274 x 26 and the parts skin needs 233 x 9: a skin far larger
// is refused before its picture is made, since it would cost the X server
// memory and the start its time for nothing. The file limit is more than the
// largest such bitmap needs.
constexpr int kLargestSkinSide = 1024;
constexpr std::size_t kLargestSkinFile = 8 << 20;

// Any failure to read is a missing skin, whatever the file is.
std::optional<TBitmap> ReadBitmap(const std::string& path) {
  const TFileContents file = ReadRegularFile(path, kLargestSkinFile);
  if (file.outcome != TReadOutcome::roRead) return std::nullopt;
  try {
    TBitmap bitmap = TBitmap::FromFile({file.bytes.begin(), file.bytes.end()});
    if (bitmap.Width() > kLargestSkinSide || bitmap.Height() > kLargestSkinSide) return std::nullopt;
    return bitmap;
  } catch (const EReadError&) {
    return std::nullopt;
  }
}

}  // namespace

UniquePixmap TMeterSkin::LoadPicture(const std::string& path) const {
  const std::optional<TBitmap> bitmap = ReadBitmap(path);
  if (!bitmap) return {};
  // The pictures take the window's depth and the screen's colour layout,
  // so that copying them to the window is a plain copy.
  Window root = 0;
  int x = 0;
  int y = 0;
  unsigned side = 0;
  unsigned border = 0;
  unsigned depth = 0;
  if (XGetGeometry(display_, window_, &root, &x, &y, &side, &side, &border, &depth) == 0) return {};
  Visual* visual = DefaultVisual(display_, DefaultScreen(display_));
  const int width = bitmap->Width() * scale_;
  const int height = bitmap->Height() * scale_;
  XImage* image = XCreateImage(display_, visual, depth, ZPixmap, 0, nullptr, static_cast<unsigned>(width),
                               static_cast<unsigned>(height), 32, 0);
  if (image == nullptr) return {};
  // XDestroyImage frees the pixel data with free().
  image->data = static_cast<char*>(std::calloc(static_cast<std::size_t>(image->bytes_per_line) * height, 1));
  if (image->data == nullptr) {
    XDestroyImage(image);
    return {};
  }
  for (int row = 0; row < height; ++row) {
    for (int column = 0; column < width; ++column) {
      const std::uint32_t rgb = bitmap->Rgb(column / scale_, row / scale_);
      XPutPixel(image, column, row,
                Channel(rgb >> 16 & 0xFF, image->red_mask) | Channel(rgb >> 8 & 0xFF, image->green_mask) |
                    Channel(rgb & 0xFF, image->blue_mask));
    }
  }
  UniquePixmap pixmap(
      display_, XCreatePixmap(display_, window_, static_cast<unsigned>(width), static_cast<unsigned>(height), depth));
  XPutImage(display_, pixmap.Get(), gc_.Get(), image, 0, 0, 0, 0, static_cast<unsigned>(width),
            static_cast<unsigned>(height));
  XDestroyImage(image);
  return pixmap;
}

void TMeterSkin::LoadSkin(Display* display, Window window, std::string_view program_folder) {
  LoadSkin(display, window, program_folder, 1);
}

void TMeterSkin::LoadSkin(Display* display, Window window, std::string_view skin_folder, int scale) {
  Release();
  display_ = display;
  window_ = window;
  scale_ = scale;
  // Without this every copy sends an event back that wakes the program.
  XGCValues values{};
  values.graphics_exposures = False;
  gc_ = UniqueGC(display_, XCreateGC(display_, window_, GCGraphicsExposures, &values));
  const std::string folder(skin_folder);
  canvas_ = LoadPicture(folder + "DATA/MAIN.BMP");
  back_ = LoadPicture(folder + "DATA/MAIN.BMP");
  parts_ = LoadPicture(folder + "DATA/PARTS.BMP");
}

void TMeterSkin::Present(std::span<const TMeterRect> parts) {
  for (const TMeterRect& part : parts) {
    XCopyArea(display_, canvas_.Get(), window_, gc_.Get(), part.x * scale_, part.y * scale_,
              static_cast<unsigned>(part.width * scale_), static_cast<unsigned>(part.height * scale_), part.x * scale_,
              part.y * scale_);
  }
  XFlush(display_);
}

bool TMeterSkin::PaintLast(cairo_t* cr) const {
  if (!canvas_) return false;
  const UniqueSurface canvas(cairo_xlib_surface_create(display_, canvas_.Get(),
                                                       DefaultVisual(display_, DefaultScreen(display_)),
                                                       kMeterWidth * scale_, kMeterHeight * scale_));
  // GTK's drawing counts in unscaled pixels; the canvas holds device pixels.
  cairo_surface_set_device_scale(canvas.get(), scale_, scale_);
  cairo_set_source_surface(cr, canvas.get(), 0, 0);
  cairo_paint(cr);
  return true;
}

void TMeterSkin::Release() {
  canvas_.Reset();
  back_.Reset();
  parts_.Reset();
  gc_.Reset();
  display_ = nullptr;
  window_ = 0;
}

void TMeterSkin::Copy(TMeterSource source, int source_x, int source_y, int width, int height, int dest_x, int dest_y) {
  const UniquePixmap& from = source == TMeterSource::msBack ? back_ : parts_;
  if (!from) return;
  // The composition counts in skin pixels; the pictures hold scale x scale
  // device pixels for each.
  XCopyArea(display_, from.Get(), canvas_.Get(), gc_.Get(), source_x * scale_, source_y * scale_,
            static_cast<unsigned>(width * scale_), static_cast<unsigned>(height * scale_), dest_x * scale_,
            dest_y * scale_);
}

}  // namespace snx
