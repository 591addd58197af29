#pragma once
// The framework keeps text in UTF-8; native list windows keep UTF-16.
#include <string>
#include <string_view>

namespace snx {

// Malformed input becomes U+FFFD, one for each byte that starts no valid sequence.
std::u16string Utf8ToUtf16(std::string_view utf8);

}  // namespace snx
