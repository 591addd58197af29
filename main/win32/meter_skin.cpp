#include "main/win32/meter_skin.h"

#include <string>

#include "framework/win32/unicode.h"

namespace snx {

namespace {

HBITMAP LoadBitmapFile(const std::wstring& path) {
  return static_cast<HBITMAP>(LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
}

// The skin's contexts, for one draw into one window context.
class TWindowSurface final : public TMeterSurface {
 public:
  TWindowSurface(HDC canvas, HDC back, HDC parts, HDC window)
      : canvas_(canvas), back_(back), parts_(parts), window_(window) {}

  void Copy(TMeterSource source, int source_x, int source_y, int width, int height, int dest_x, int dest_y) override {
    HDC from = source == TMeterSource::msBack ? back_ : parts_;
    BitBlt(canvas_, dest_x, dest_y, width, height, from, source_x, source_y, SRCCOPY);
  }
  void Present(std::span<const TMeterRect> parts) override {
    for (const TMeterRect& part : parts) {
      BitBlt(window_, part.x, part.y, part.width, part.height, canvas_, part.x, part.y, SRCCOPY);
    }
  }

 private:
  HDC canvas_;
  HDC back_;
  HDC parts_;
  HDC window_;
};

}  // namespace

void TMeterSkin::LoadSkin(HDC window_dc, std::string_view program_folder) {
  const std::wstring folder = Widen(program_folder);
  const std::wstring main_skin = folder + L"DATA\\MAIN.BMP";
  const std::wstring parts_skin = folder + L"DATA\\PARTS.BMP";

  Release();
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

void TMeterSkin::Draw(HDC window_dc, const TChannelLevels& levels, bool repaint) {
  if (!CanvasDC) return;
  TWindowSurface surface(CanvasDC.get(), BackDC.get(), PartsDC.get(), window_dc);
  painter_.Paint(levels.Snapshot(), repaint, surface);
}

void TMeterSkin::Release() {
  // A bitmap still selected into a context cannot be deleted: contexts first.
  CanvasDC.reset();
  BackDC.reset();
  PartsDC.reset();
  CanvasBitmap.reset();
  BackBitmap.reset();
  PartsBitmap.reset();
  painter_.Forget();
}

}  // namespace snx
