#include "framework/core/utf.h"

namespace snx {

std::u16string Utf8ToUtf16(std::string_view utf8) {
  constexpr char16_t kReplacement = 0xFFFD;
  std::u16string out;
  out.reserve(utf8.size());
  std::size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const int extra = lead < 0x80 ? 0 : lead >= 0xC2 && lead < 0xE0 ? 1 : lead >= 0xE0 && lead < 0xF0 ? 2
                                                                      : lead >= 0xF0 && lead < 0xF5 ? 3
                                                                                                     : -1;
    if (extra < 0 || utf8.size() - i <= static_cast<std::size_t>(extra)) {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    char32_t cp = extra == 0 ? lead : lead & (0x3F >> extra);
    bool valid = true;
    for (int k = 1; k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]);
      if ((next & 0xC0) != 0x80) {
        valid = false;
        break;
      }
      cp = cp << 6 | (next & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not characters.
    static constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
    if (!valid || cp < kMinimum[extra] || (cp >= 0xD800 && cp < 0xE000) || cp > 0x10FFFF) {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

}  // namespace snx
