#include "main/win32/meter_skin.h"

#include <string>

#include "framework/win32/unicode.h"

namespace snx {

namespace {

HBITMAP LoadBitmapFile(const std::wstring& path) {
  return static_cast<HBITMAP>(LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
}

}  // namespace

void TMeterSkin::LoadSkin(HDC window_dc, std::string_view program_folder) {
  const std::wstring folder = Widen(program_folder);
  const std::wstring main_skin = folder + L"DATA\\MAIN.BMP";
  const std::wstring parts_skin = folder + L"DATA\\PARTS.BMP";

  Release();
  window_dc_ = window_dc;
  CanvasDC.reset(CreateCompatibleDC(window_dc));
  BackDC.reset(CreateCompatibleDC(window_dc));
  PartsDC.reset(CreateCompatibleDC(window_dc));
  CanvasBitmap.reset(LoadBitmapFile(main_skin));
  BackBitmap.reset(LoadBitmapFile(main_skin));
  PartsBitmap.reset(LoadBitmapFile(parts_skin));
  SelectObject(CanvasDC.get(), CanvasBitmap.get());
  SelectObject(BackDC.get(), BackBitmap.get());
  SelectObject(PartsDC.get(), PartsBitmap.get());
}

void TMeterSkin::Copy(TMeterSource source, int source_x, int source_y, int width, int height, int dest_x, int dest_y) {
  HDC from = source == TMeterSource::msBack ? BackDC.get() : PartsDC.get();
  BitBlt(CanvasDC.get(), dest_x, dest_y, width, height, from, source_x, source_y, SRCCOPY);
}

void TMeterSkin::Present(std::span<const TMeterRect> parts) {
  for (const TMeterRect& part : parts) {
    BitBlt(window_dc_, part.x, part.y, part.width, part.height, CanvasDC.get(), part.x, part.y, SRCCOPY);
  }
}

void TMeterSkin::Release() {
  // A bitmap still selected into a context cannot be deleted: contexts first.
  CanvasDC.reset();
  BackDC.reset();
  PartsDC.reset();
  CanvasBitmap.reset();
  BackBitmap.reset();
  PartsBitmap.reset();
  window_dc_ = nullptr;
}

}  // namespace snx
