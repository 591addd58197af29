#include "trayicon/core/tray_platform.h"

#include <algorithm>

namespace snx {

std::string_view WholeCharacters(std::string_view text, std::size_t max_bytes, TTrayText& encoding) {
  std::size_t end = 0;
  while (end < text.size()) {
    const std::size_t next =
        std::min(text.size(), end + std::max<std::size_t>(1, encoding.CharacterLength(text.substr(end))));
    if (next > max_bytes) break;
    end = next;
  }
  return text.substr(0, end);
}

}  // namespace snx
