#include "framework/linux/menu_caption.h"

namespace snx {

std::string MnemonicCaption(std::string_view caption) {
  std::string result;
  result.reserve(caption.size() + 1);
  for (std::size_t i = 0; i < caption.size(); ++i) {
    char c = caption[i];
    if (c == '&' && i + 1 < caption.size()) {
      c = caption[++i];
      // An underscore cannot be a mnemonic in GTK; it stays a plain character.
      if (c != '&' && c != '_') result += '_';
    }
    if (c == '_') result += '_';
    result += c;
  }
  return result;
}

}  // namespace snx
