#pragma once
// The text of an INI file, read and updated by the rules of private-profile
// files: section and key names compare without regard to case, whitespace
// around names and values does not count, and the first matching key wins.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace snx {

// The longest value a read returns, in bytes.
inline constexpr std::size_t kIniValueLimit = 2047;

// The value of `key` in `section`, cut to kIniValueLimit at a character
// boundary, with one pair of enclosing quotes removed; nothing when the
// section or the key is missing.
std::optional<std::string> FindIniValue(std::string_view text, std::string_view section, std::string_view key);

// `text` with `key` in `section` set to `value`: the key's line is updated in
// place, or the key is appended to its section, or the section is appended to
// the text. Every other line stays as it was. Nothing when the names or the
// value cannot be stored (an empty key, a line break, an '=' in the key, a
// ']' in the section), since the file would then read back differently.
std::optional<std::string> SetIniValue(std::string_view text, std::string_view section, std::string_view key,
                                       std::string_view value);

// `text` without the line of `key` in `section`, the one FindIniValue reads;
// nothing when there is no such key, so that nothing needs writing.
std::optional<std::string> RemoveIniKey(std::string_view text, std::string_view section, std::string_view key);

}  // namespace snx
