#pragma once
// The X side of the strip: the skins in three pixmaps on the X server, the
// copies into the canvas pixmap and the copies of its changed parts to the
// window. All pixel work happens in the server, and a draw allocates nothing.
#include <X11/Xlib.h>
#include <cairo.h>

#include <string>
#include <string_view>

#include "framework/linux/x_resource.h"
#include "main/core/level_meter.h"
#include "main/core/meter_painter.h"

namespace snx {

class TMeterSkin final : private TMeterSurface {
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
  // Brings the window to the picture of `levels`: only the channel rows
  // that changed since the last picture drawn are composed and copied, and
  // a picture equal to it costs no request to the server. Draws nothing
  // before LoadSkin, after Release or without a main skin. `repaint` (the
  // window lost its pixels) copies the whole picture.
  void Draw(const TChannelLevels& levels, bool repaint);
  // Paints the picture last composed (the idle skin before any) onto `cr`;
  // false, painting nothing, without a main skin.
  bool PaintLast(cairo_t* cr) const;
  // Frees the pixmaps and the drawing context.
  void Release();

 private:
  void Copy(TMeterSource source, int source_x, int source_y, int width, int height, int dest_x, int dest_y) override;
  void Present(std::span<const TMeterRect> parts) override;
  UniquePixmap LoadPicture(const std::string& path) const;

  Display* display_ = nullptr;
  Drawable window_ = 0;
  int scale_ = 1;
  UniqueGC gc_;
  UniquePixmap canvas_;
  UniquePixmap back_;
  UniquePixmap parts_;
  TMeterPainter painter_;
};

}  // namespace snx
