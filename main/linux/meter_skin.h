#pragma once
// The X side of the strip: the skins in three pixmaps on the X server, the
// copies into the canvas pixmap and the copies of its changed parts to the
// window. All pixel work happens in the server, and a draw allocates nothing.
#include <X11/Xlib.h>
#include <cairo.h>

#include <span>
#include <string>
#include <string_view>

#include "framework/linux/x_resource.h"
#include "main/core/meter_painter.h"

namespace snx {

class TMeterSkin final : public TMeterSurface {
 public:
  TMeterSkin() = default;
  TMeterSkin(const TMeterSkin&) = delete;
  TMeterSkin& operator=(const TMeterSkin&) = delete;
  ~TMeterSkin() { Release(); }

  // Replaces any earlier load with DATA/MAIN.BMP (twice: the canvas and the
  // clean background) and DATA/PARTS.BMP from `program_folder`, for drawing
  // on `window`. A skin that cannot be loaded (no regular file, no bitmap, or
  // far larger than the strip) leaves its picture empty; nothing is reported.
  void LoadSkin(Display* display, Drawable window, std::string_view program_folder);
  // The same for a window of `scale` device pixels per skin pixel each way
  // (its scale factor on a scaled screen): each skin pixel becomes a square
  // block, as sharp as at 1.
  void LoadSkin(Display* display, Drawable window, std::string_view skin_folder, int scale);
  // Between LoadSkin and Release, with a main skin: there is a canvas to draw on.
  bool Loaded() const { return static_cast<bool>(canvas_); }
  // Paints the picture last composed (the idle skin before any) onto `cr`;
  // false, painting nothing, without a main skin.
  bool PaintLast(cairo_t* cr) const;
  // Frees the pixmaps and the drawing context.
  void Release();

  void Copy(TMeterSource source, int source_x, int source_y, int width, int height, int dest_x, int dest_y) override;
  // Flushes once: the parts reach the window together.
  void Present(std::span<const TMeterRect> parts) override;

 private:
  UniquePixmap LoadPicture(const std::string& path) const;

  Display* display_ = nullptr;
  Drawable window_ = 0;
  int scale_ = 1;
  UniqueGC gc_;
  UniquePixmap canvas_;
  UniquePixmap back_;
  UniquePixmap parts_;
};

}  // namespace snx
