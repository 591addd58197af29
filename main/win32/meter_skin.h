#pragma once
// The GDI side of the strip: the skins in memory device contexts, the
// composition into the canvas and the one copy of it to the window.
#include <windows.h>

#include <optional>
#include <string_view>

#include "framework/win32/handles.h"
#include "main/core/level_meter.h"
#include "main/core/meter_composer.h"

namespace snx {

class TMeterSkin final : private TMeterCanvas {
 public:
  TMeterSkin() = default;
  TMeterSkin(const TMeterSkin&) = delete;
  TMeterSkin& operator=(const TMeterSkin&) = delete;
  ~TMeterSkin() { Release(); }

  // Replaces any earlier load with DATA\MAIN.BMP (twice: the canvas and the
  // clean background) and DATA\PARTS.BMP from `program_folder` (UTF-8, as
  // ProgramFolder gives it). A skin that cannot be loaded leaves its surface
  // empty; nothing is reported.
  void LoadSkin(HDC window_dc, std::string_view program_folder);
  // Composes the picture of `levels` and copies all of it to `window_dc` at
  // once. Draws nothing before LoadSkin or after Release. Unless `repaint`
  // (the window lost its pixels), a picture equal to the last one drawn is
  // left as it is on screen.
  void Draw(HDC window_dc, const TChannelLevels& levels, bool repaint);
  // Deletes the three memory contexts, then the three bitmaps.
  void Release();

 private:
  void Copy(TMeterSource source, int source_x, int source_y, int width, int height, int dest_x, int dest_y) override;

  UniqueBitmap CanvasBitmap;
  UniqueBitmap BackBitmap;
  UniqueBitmap PartsBitmap;
  UniqueMemoryDC CanvasDC;
  UniqueMemoryDC BackDC;
  UniqueMemoryDC PartsDC;
  std::optional<TMeterFrame> shown_;
};

}  // namespace snx
