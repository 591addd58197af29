#include "framework/win32/unicode.h"
#include <windows.h>

#include "framework/core/utf.h"

namespace snx {

std::wstring Widen(std::string_view utf8) {
  // wchar_t is UTF-16 on Windows.
  const std::u16string utf16 = Utf8ToUtf16(utf8);
  return std::wstring(utf16.begin(), utf16.end());
}

std::string Narrow(std::wstring_view utf16) {
  if (utf16.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace snx
