// Test helper for the end-to-end tests: prints "class<TAB>text" for every
// visible top-level window of the session whose class is given (all when
// none is), the text as the window itself reports it (WM_GETTEXT), in UTF-8.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

struct Query {
  const wchar_t* class_name;
};

std::string Utf8(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size > 0 ? size : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
  out.resize(out.size() - 1);
  return out;
}

BOOL CALLBACK Visit(HWND window, LPARAM param) {
  const auto* query = reinterpret_cast<const Query*>(param);
  wchar_t class_name[256] = {};
  GetClassNameW(window, class_name, 256);
  if (!IsWindowVisible(window)) return TRUE;
  if (query->class_name != nullptr && lstrcmpiW(class_name, query->class_name) != 0) return TRUE;
  wchar_t text[1024] = {};
  // Asks the window itself: controls such as tooltips answer with what they show.
  SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
  std::printf("%s\t%s\n", Utf8(class_name).c_str(), Utf8(text).c_str());
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Query query{argc > 1 ? argv[1] : nullptr};
  EnumWindows(Visit, reinterpret_cast<LPARAM>(&query));
  return 0;
}
