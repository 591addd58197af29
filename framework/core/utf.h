#pragma once
// The framework keeps text in UTF-8; native list windows keep UTF-16.
#include <cstddef>
#include <string>
#include <string_view>

namespace snx {

// The character that starts at byte `at`, with `at` moved past it. A byte that
// starts no valid sequence gives U+FFFD and moves `at` one byte on.
char32_t NextCodePoint(std::string_view utf8, std::size_t& at);

// Malformed input becomes U+FFFD, one for each byte that starts no valid sequence.
std::u16string Utf8ToUtf16(std::string_view utf8);

}  // namespace snx
