#include "framework/win32/application.h"

#include <objbase.h>

#include <vector>

#include "framework/core/menu.h"
#include "framework/win32/form.h"
#include "framework/win32/handles.h"
#include "framework/win32/popup_menu.h"
#include "framework/win32/unicode.h"

namespace snx {

TWin32Application::ComScope::ComScope() : initialised(SUCCEEDED(CoInitialize(nullptr))) {}

TWin32Application::ComScope::~ComScope() {
  if (initialised) CoUninitialize();
}

TWin32Application::TWin32Application() : icon_(LoadIconW(GetModuleHandleW(nullptr), L"MAINICON")) {
  WindowParams params{L"TApplication"};
  params.style = WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX;
  params.x = GetSystemMetrics(SM_CXSCREEN) / 2;
  params.y = GetSystemMetrics(SM_CYSCREEN) / 2;
  params.icon = icon_;
  window_ = CreateTargetWindow(params, this);
}

TWin32Application::~TWin32Application() {
  DestroyComponents();  // the forms, while the application still stands
  window_.reset();
}

TWin32Application& Win32ApplicationOf(TComponent* component) {
  return dynamic_cast<TWin32Application&>(ApplicationOf(component));
}

void TWin32Application::SetTitle(std::string title) {
  TApplication::SetTitle(title);
  SetWindowTextW(window_.get(), Widen(title).c_str());
}

std::string TWin32Application::ExeName() const {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) return Narrow(std::wstring_view(path.data(), n));
    path.resize(path.size() * 2);
  }
}

void TWin32Application::ProcessMessages() {
  // The system's loop of an open popup menu or of a window move reads the
  // thread's input itself. A pump run inside it, as a tick's draw runs one,
  // would take the click or key meant for that loop and hand it to a window
  // that ignores it. Menus lost one click in thirty that way, more on a
  // loaded machine.
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  if (GetGUIThreadInfo(GetCurrentThreadId(), &thread) && (thread.flags & (GUI_INMENUMODE | GUI_INMOVESIZE)) != 0) {
    return;
  }
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Leave the quit for the loop that owns the program's end.
      terminated_ = true;
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

TMenuItem* TWin32Application::TrackPopupMenu(const TPopupMenu& menu, int x, int y) {
  std::vector<TMenuItem*> by_id;
  const UniqueMenu popup = BuildPopupMenu(menu.Items(), by_id);
  auto chosen = static_cast<std::size_t>(
      ::TrackPopupMenu(popup.get(), TPM_RETURNCMD | TPM_LEFTALIGN | TPM_RIGHTBUTTON, x, y, 0, window_.get(), nullptr));
  // Lets the menu's owner take the next message cleanly after a tray popup.
  PostMessageW(window_.get(), WM_NULL, 0, 0);
  return chosen >= 1 && chosen <= by_id.size() ? by_id[chosen - 1] : nullptr;
}

void TWin32Application::Run() {
  if (MainForm() != nullptr) Guarded([&] { MainForm()->Show(); });
  MSG msg;
  while (!terminated_ && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void TWin32Application::Terminate() {
  if (!terminated_) PostQuitMessage(0);
  terminated_ = true;
}

void TWin32Application::FormShowing() {
  bool visible = IsWindowVisible(window_.get()) != FALSE;
  if (visible == window_shown_ && !visible) {
    ShowWindow(window_.get(), SW_SHOWNOACTIVATE);
    window_shown_ = true;
  }
}

void TWin32Application::ShowErrorBox(const std::string& text, const std::string& caption) {
  // While a modal form is up the box is its: owned by the window that was
  // active, a form the modal loop keeps disabled would be enabled again as
  // the box closes.
  auto* modal = dynamic_cast<TForm*>(ModalForm());
  MessageBoxW(modal != nullptr ? modal->Handle() : GetActiveWindow(), Widen(text).c_str(), Widen(caption).c_str(),
              MB_ICONERROR | MB_OK);
}

LRESULT TWin32Application::HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_CLOSE) {
    // Closing the taskbar button closes the program's main window.
    if (MainForm() != nullptr) MainForm()->Close();
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace snx
