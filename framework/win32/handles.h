#pragma once
// Owners of the system's handles, each freeing its handle the one way the
// system asks for it.
#include <windows.h>

#include <memory>
#include <type_traits>

namespace snx {

struct WindowDeleter {
  void operator()(HWND window) const { DestroyWindow(window); }
};
using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDeleter>;

struct MenuDeleter {
  void operator()(HMENU menu) const { DestroyMenu(menu); }
};
using UniqueMenu = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDeleter>;

// Pens, brushes, fonts and bitmaps. None may still be selected into a
// device context when it goes.
struct GdiObjectDeleter {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;
using UniqueBrush = std::unique_ptr<std::remove_pointer_t<HBRUSH>, GdiObjectDeleter>;
using UniqueBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiObjectDeleter>;

// A device context made with CreateCompatibleDC (a window's own is released, not deleted).
struct MemoryDCDeleter {
  void operator()(HDC dc) const { DeleteDC(dc); }
};
using UniqueMemoryDC = std::unique_ptr<std::remove_pointer_t<HDC>, MemoryDCDeleter>;

// A window's device context for the span of a scope.
class TWindowDC {
 public:
  explicit TWindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  TWindowDC(const TWindowDC&) = delete;
  TWindowDC& operator=(const TWindowDC&) = delete;
  ~TWindowDC() { ReleaseDC(window_, dc_); }
  HDC Get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

}  // namespace snx
