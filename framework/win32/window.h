#pragma once
// Windows whose messages go to a C++ object. Exceptions that a handler lets
// escape stop at the window procedure and show in the standard error box, so
// they never unwind through the system's code.
#include <windows.h>

#include "framework/win32/handles.h"

namespace snx {

class MessageTarget {
 public:
  virtual LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) = 0;

 protected:
  ~MessageTarget() = default;
};

struct WindowParams {
  const wchar_t* class_name;
  DWORD style = 0;
  DWORD ex_style = 0;
  HWND parent = nullptr;  // parent for child windows, owner for top-level ones
  int x = 0, y = 0, width = 0, height = 0;
  const wchar_t* title = L"";
  HICON icon = nullptr;
};

// Registers the class on first use; messages reach `target` from WM_NCCREATE
// on until the window is destroyed.
UniqueWindow CreateTargetWindow(const WindowParams& params, MessageTarget* target);

// After SetWindowPos with HWND_NOTOPMOST: some window managers (Wine's
// among them) keep an owned window topmost; detaching it from its owner for
// the request lets it go, and on systems that honour the request this does
// nothing.
void EnsureNotTopmost(HWND window);

// Runs one handler call with the error box as the last resort.
template <class F>
void Guarded(F&& f);

void ShowUnhandledException();

template <class F>
void Guarded(F&& f) {
  try {
    f();
  } catch (...) {
    ShowUnhandledException();
  }
}

}  // namespace snx
