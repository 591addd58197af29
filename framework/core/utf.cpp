#include "framework/core/utf.h"

namespace snx {

char32_t NextCodePoint(std::string_view utf8, std::size_t& at) {
  constexpr char32_t kReplacement = 0xFFFD;
  const auto lead = static_cast<unsigned char>(utf8[at]);
  const int extra = lead < 0x80                   ? 0
                    : lead >= 0xC2 && lead < 0xE0 ? 1
                    : lead >= 0xE0 && lead < 0xF0 ? 2
                    : lead >= 0xF0 && lead < 0xF5 ? 3
                                                  : -1;
  if (extra < 0 || utf8.size() - at <= static_cast<std::size_t>(extra)) {
    ++at;
    return kReplacement;
  }
  char32_t cp = extra == 0 ? lead : lead & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) {
    const auto next = static_cast<unsigned char>(utf8[at + static_cast<std::size_t>(k)]);
    if ((next & 0xC0) != 0x80) {
      ++at;
      return kReplacement;
    }
    cp = cp << 6 | (next & 0x3F);
  }
  // Overlong forms, surrogates and values past U+10FFFF are not characters.
  static constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
  if (cp < kMinimum[extra] || (cp >= 0xD800 && cp < 0xE000) || cp > 0x10FFFF) {
    ++at;
    return kReplacement;
  }
  at += static_cast<std::size_t>(extra) + 1;
  return cp;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  std::size_t at = 0;
  while (at < utf8.size()) {
    char32_t cp = NextCodePoint(utf8, at);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

}  // namespace snx
