#pragma once
// The program keeps text in UTF-8 and talks to Windows through the wide calls,
// so Japanese shows whatever the system's code page is.
#include <string>
#include <string_view>

namespace snx {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace snx
