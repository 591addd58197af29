// Prints what Win32 knows of the desktop's top-level windows, one per line,
// for the end-to-end tests: state that X cannot show (topmost flag, owner,
// enabled state, the text inside message boxes, what a tooltip shows).
//   handle<TAB>class<TAB>title<TAB>x,y,w,h<TAB>flags<TAB>owner<TAB>texts
// flags: v visible, e enabled, t topmost, a app-window style, f foreground
// (where the keyboard's keys go).
// Two more modes act on the desktop:
//   winprobe repaint HANDLE COUNT          says "ready", waits for a line on
//                                          its input, then asks HANDLE to
//                                          repaint COUNT times, each paint
//                                          done before the next request
//   winprobe menu X Y ITEM...              shows a popup menu of its own at
//                                          X, Y until it is dismissed: the
//                                          reference a program's menu is
//                                          compared with ("-" a separator,
//                                          a leading "+" a checked item)
//   winprobe inputs                        prints the name of each wave input
//                                          device, one per line, in the order
//                                          of their identifiers
// Any failure ends it with a non-zero status.
#include <windows.h>

#include <mmsystem.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "framework/win32/handles.h"
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
  if (window == GetForegroundWindow()) flags += 'f';
  std::string texts;
  EnumChildWindows(window, AddChildText, reinterpret_cast<LPARAM>(&texts));
  std::printf("%lu\t%s\t%s\t%ld,%ld,%ld,%ld\t%s\t%lu\t%s\n",
              static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(window)), snx::Narrow(cls).c_str(),
              Text(window).c_str(), r.left, r.top, r.right - r.left, r.bottom - r.top, flags.c_str(),
              static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(GetWindow(window, GW_OWNER))), texts.c_str());
  return TRUE;
}

int ListWindows() {
  if (!EnumWindows(PrintWindow, 0)) return 1;
  return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

int Repaint(HWND window, long count) {
  if (!IsWindow(window) || count <= 0) return 1;
  std::printf("ready\n");
  std::fflush(stdout);
  char go[16];
  if (std::fgets(go, sizeof go, stdin) == nullptr) return 1;
  for (long i = 0; i < count; ++i) {
    // Invalidates and has the window's thread paint before returning.
    if (!RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW)) return 1;
  }
  std::printf("done\n");
  std::fflush(stdout);
  return 0;
}

int ShowMenu(int x, int y, const std::vector<std::wstring>& items) {
  const snx::UniqueWindow owner(
      CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr));
  const snx::UniqueMenu menu(CreatePopupMenu());
  if (!owner || !menu) return 1;
  UINT id = 0;
  for (const std::wstring& item : items) {
    BOOL added = FALSE;
    if (item == L"-") {
      added = AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    } else if (!item.empty() && item[0] == L'+') {
      added = AppendMenuW(menu.get(), MF_STRING | MF_CHECKED, ++id, item.c_str() + 1);
    } else {
      added = AppendMenuW(menu.get(), MF_STRING | MF_UNCHECKED, ++id, item.c_str());
    }
    if (!added) return 1;
  }
  // The same flags as the program's menus, so both draw alike.
  SetForegroundWindow(owner.get());
  TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_LEFTALIGN | TPM_RIGHTBUTTON, x, y, 0, owner.get(), nullptr);
  return 0;
}

int ListInputs() {
  const UINT count = waveInGetNumDevs();
  for (UINT i = 0; i < count; ++i) {
    WAVEINCAPSW caps{};
    if (waveInGetDevCapsW(i, &caps, sizeof caps) != MMSYSERR_NOERROR) return 1;
    std::printf("%s\n",
                snx::Narrow(std::wstring_view(caps.szPname, wcsnlen(caps.szPname, std::size(caps.szPname)))).c_str());
  }
  return 0;
}

int Usage() {
  std::fprintf(stderr,
               "usage: winprobe | winprobe repaint HANDLE COUNT | winprobe menu X Y ITEM... | winprobe inputs\n");
  return 2;
}

}  // namespace

int main() {
  int argc = 0;
  std::unique_ptr<LPWSTR, decltype(&LocalFree)> argv_memory(CommandLineToArgvW(GetCommandLineW(), &argc), &LocalFree);
  if (!argv_memory) return 1;
  const std::vector<std::wstring> args(argv_memory.get() + 1, argv_memory.get() + argc);
  if (args.empty()) return ListWindows();
  if (args[0] == L"repaint" && args.size() == 3) {
    auto handle = reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::wcstoull(args[1].c_str(), nullptr, 10)));
    return Repaint(handle, std::wcstol(args[2].c_str(), nullptr, 10));
  }
  if (args[0] == L"inputs" && args.size() == 1) return ListInputs();
  if (args[0] == L"menu" && args.size() >= 4) {
    return ShowMenu(std::wcstol(args[1].c_str(), nullptr, 10), std::wcstol(args[2].c_str(), nullptr, 10),
                    std::vector<std::wstring>(args.begin() + 3, args.end()));
  }
  return Usage();
}
