#pragma once
// The X side of the strip: the skins in three pixmaps on the X server, the
// composition into the canvas pixmap and the one copy of it to the window.
// All pixel work happens in the server, and a draw allocates nothing.
#include <X11/Xlib.h>
#include <cairo.h>

#include <optional>
#include <string>
#include <string_view>

#include "framework/linux/x_resource.h"
#include "main/core/level_meter.h"
#include "main/core/meter_composer.h"

namespace snx {

class TMeterSkin final : private TMeterCanvas {
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
  // Composes the picture of `levels` and copies all of it to the window at
  // once. Draws nothing before LoadSkin, after Release or without a main
  // skin. Unless `repaint` (the window lost its pixels), a picture equal to
  // the last one drawn is left as it is on screen.
  void Draw(const TChannelLevels& levels, bool repaint);
  // Paints the picture last composed (the idle skin before any) onto `cr`;
  // false, painting nothing, without a main skin.
  bool PaintLast(cairo_t* cr) const;
  // Frees the pixmaps and the drawing context.
  void Release();

 private:
  void Copy(TMeterSource source, int source_x, int source_y, int width, int height, int dest_x, int dest_y) override;
  UniquePixmap LoadPicture(const std::string& path) const;

  Display* display_ = nullptr;
  Drawable window_ = 0;
  int scale_ = 1;
  UniqueGC gc_;
  UniquePixmap canvas_;
  UniquePixmap back_;
  UniquePixmap parts_;
  std::optional<TMeterFrame> shown_;
};

}  // namespace snx
