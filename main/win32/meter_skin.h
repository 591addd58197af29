#pragma once
// The GDI side of the strip: the skins in memory device contexts, the
// copies into the canvas and the copies of its changed parts to the window.
#include <windows.h>

#include <string_view>

#include "framework/win32/handles.h"
#include "main/core/level_meter.h"
#include "main/core/meter_painter.h"

namespace snx {

class TMeterSkin final {
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
  // Brings `window_dc` to the picture of `levels`: only the channel rows
  // that changed since the last picture drawn are composed and copied.
  // Draws nothing before LoadSkin or after Release. `repaint` (the window
  // lost its pixels) copies the whole picture.
  void Draw(HDC window_dc, const TChannelLevels& levels, bool repaint);
  // Deletes the three memory contexts, then the three bitmaps.
  void Release();

 private:
  UniqueBitmap CanvasBitmap;
  UniqueBitmap BackBitmap;
  UniqueBitmap PartsBitmap;
  UniqueMemoryDC CanvasDC;
  UniqueMemoryDC BackDC;
  UniqueMemoryDC PartsDC;
  TMeterPainter painter_;
};

}  // namespace snx
