#pragma once
// The GDI side of the strip: the skins in memory device contexts, the
// copies into the canvas and the copies of its changed parts to the window.
#include <windows.h>

#include <span>
#include <string_view>

#include "framework/win32/handles.h"
#include "main/core/meter_painter.h"

namespace snx {

class TMeterSkin final : public TMeterSurface {
 public:
  TMeterSkin() = default;
  TMeterSkin(const TMeterSkin&) = delete;
  TMeterSkin& operator=(const TMeterSkin&) = delete;
  ~TMeterSkin() { Release(); }

  // Replaces any earlier load with DATA\MAIN.BMP (twice: the canvas and the
  // clean background) and DATA\PARTS.BMP from `program_folder` (UTF-8, as
  // ProgramFolder gives it), for showing on `window_dc`. A skin that cannot
  // be loaded leaves its surface empty; nothing is reported.
  void LoadSkin(HDC window_dc, std::string_view program_folder);
  // Between LoadSkin and Release.
  bool Loaded() const { return static_cast<bool>(CanvasDC); }
  // Deletes the three memory contexts, then the three bitmaps.
  void Release();

  void Copy(TMeterSource source, int source_x, int source_y, int width, int height, int dest_x, int dest_y) override;
  void Present(std::span<const TMeterRect> parts) override;

 private:
  HDC window_dc_ = nullptr;
  UniqueBitmap CanvasBitmap;
  UniqueBitmap BackBitmap;
  UniqueBitmap PartsBitmap;
  UniqueMemoryDC CanvasDC;
  UniqueMemoryDC BackDC;
  UniqueMemoryDC PartsDC;
};

}  // namespace snx
