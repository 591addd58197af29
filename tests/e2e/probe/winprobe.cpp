// Prints what Win32 knows of the desktop's top-level windows, one per line,
// for the end-to-end tests: state that X cannot show (topmost flag, owner,
// enabled state, the text inside message boxes, what a tooltip shows).
//   handle<TAB>class<TAB>title<TAB>x,y,w,h<TAB>flags<TAB>owner<TAB>texts
// flags: v visible, e enabled, t topmost, a app-window style.
#include <windows.h>

#include <cstdio>
#include <string>

#include "framework/win32/unicode.h"

namespace {

std::string Text(HWND window) {
  // Asks the window itself: a control such as a tooltip of another process
  // answers with what it shows.
  wchar_t buffer[1024] = {};
  DWORD_PTR n = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 2000, &n);
  std::string s = snx::Narrow(std::wstring_view(buffer, static_cast<std::size_t>(n)));
  for (char& c : s) {
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  }
  return s;
}

BOOL CALLBACK AddChildText(HWND child, LPARAM param) {
  auto* texts = reinterpret_cast<std::string*>(param);
  std::string t = Text(child);
  if (!t.empty()) *texts += (texts->empty() ? "" : "|") + t;
  return TRUE;
}

BOOL CALLBACK PrintWindow(HWND window, LPARAM) {
  wchar_t cls[256];
  GetClassNameW(window, cls, 256);
  RECT r;
  GetWindowRect(window, &r);
  LONG ex = GetWindowLongW(window, GWL_EXSTYLE);
  std::string flags;
  if (IsWindowVisible(window)) flags += 'v';
  if (IsWindowEnabled(window)) flags += 'e';
  if (ex & WS_EX_TOPMOST) flags += 't';
  if (ex & WS_EX_APPWINDOW) flags += 'a';
  std::string texts;
  EnumChildWindows(window, AddChildText, reinterpret_cast<LPARAM>(&texts));
  std::printf("%lu\t%s\t%s\t%ld,%ld,%ld,%ld\t%s\t%lu\t%s\n", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(window)),
              snx::Narrow(cls).c_str(), Text(window).c_str(), r.left, r.top, r.right - r.left, r.bottom - r.top,
              flags.c_str(), static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(GetWindow(window, GW_OWNER))),
              texts.c_str());
  return TRUE;
}

}  // namespace

int main() {
  EnumWindows(PrintWindow, 0);
  return 0;
}
