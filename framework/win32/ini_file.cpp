#include "framework/core/ini_file.h"
#include <windows.h>

#include "framework/win32/unicode.h"

namespace snx {

std::string TIniFile::ReadString(const std::string& section, const std::string& key, const std::string& fallback) {
  wchar_t buffer[2048];  // 2047 characters and the terminator
  DWORD n = GetPrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), Widen(fallback).c_str(), buffer,
                                     static_cast<DWORD>(std::size(buffer)), Widen(FileName()).c_str());
  return Narrow(std::wstring_view(buffer, n));
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  if (!WritePrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), Widen(value).c_str(),
                                  Widen(FileName()).c_str())) {
    RaiseWriteError();
  }
}

void TIniFile::DeleteKey(const std::string& section, const std::string& key) {
  // No value: the private-profile call's way of taking the key out.
  if (!WritePrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), nullptr, Widen(FileName()).c_str())) {
    RaiseWriteError();
  }
}

}  // namespace snx
