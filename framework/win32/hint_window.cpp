#include "framework/win32/hint_window.h"

#include "framework/core/object.h"
#include "framework/win32/canvas.h"
#include "framework/win32/unicode.h"

namespace snx {

HWND TWin32HintWindow::Handle() {
  if (!window_) {
    WindowParams params{L"THintWindow"};
    params.style = WS_POPUP;
    params.ex_style = WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
    window_ = CreateTargetWindow(params, this);
    if (!window_) throw EOutOfResources("window creation failed");
  }
  return window_.get();
}

void TWin32HintWindow::Repaint() {
  if (!window_) return;
  InvalidateRect(window_.get(), nullptr, TRUE);
  UpdateWindow(window_.get());
}

TSize TWin32HintWindow::TextExtent(std::string_view text) { return MeasureText(Font(), Widen(text)); }

void TWin32HintWindow::SetBounds(int left, int top, int width, int height) {
  SetWindowPos(Handle(), HWND_TOPMOST, left, top, width, height, SWP_NOACTIVATE);
}

void TWin32HintWindow::ShowNoActivate() { ShowWindow(Handle(), SW_SHOWNA); }

void TWin32HintWindow::Hide() {
  if (window_) ShowWindow(window_.get(), SW_HIDE);
}

LRESULT TWin32HintWindow::HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_ERASEBKGND: {
      RECT r;
      GetClientRect(window, &r);
      TDCCanvas(reinterpret_cast<HDC>(wparam)).FillRect({r.left, r.top, r.right, r.bottom}, Color());
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      RECT r;
      GetClientRect(window, &r);
      {
        TDCCanvas canvas(dc);
        PaintText(canvas, {r.left, r.top, r.right, r.bottom});
      }
      EndPaint(window, &ps);
      return 0;
    }
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

}  // namespace snx
