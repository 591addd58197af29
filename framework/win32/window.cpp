#include "framework/win32/window.h"

#include "framework/core/application.h"

namespace snx {

namespace {

LRESULT CALLBACK TargetWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* target = reinterpret_cast<MessageTarget*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  if (target == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  LRESULT result = 0;
  Guarded([&] { result = target->HandleMessage(window, message, wparam, lparam); });
  return result;
}

}  // namespace

void ShowUnhandledException() {
  try {
    Application().HandleException(std::current_exception());
  } catch (...) {
    // Nothing is left to report with; the loop goes on.
  }
}

void EnsureNotTopmost(HWND window) {
  if ((GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) == 0) return;
  HWND owner = GetWindow(window, GW_OWNER);
  if (owner == nullptr) return;
  SetWindowLongPtrW(window, GWLP_HWNDPARENT, 0);
  SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SetWindowLongPtrW(window, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
}

UniqueWindow CreateTargetWindow(const WindowParams& params, MessageTarget* target) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (!GetClassInfoExW(instance, params.class_name, &existing)) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = TargetWindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hIcon = params.icon;
    wc.lpszClassName = params.class_name;
    RegisterClassExW(&wc);
  }
  return UniqueWindow(CreateWindowExW(params.ex_style, params.class_name, params.title, params.style, params.x,
                                      params.y, params.width, params.height, params.parent, nullptr, instance, target));
}

}  // namespace snx
