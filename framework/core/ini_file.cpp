#include "framework/core/ini_file.h"

namespace snx {

std::optional<std::int32_t> ParseIniInteger(std::string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  bool hex = text.size() - i > 2 && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X');
  // The program writes decimal only, and a sign before a 32-bit pattern has
  // no meaning that survives the range check.
  if (hex && i > 0) return std::nullopt;
  if (hex) i += 2;
  if (i >= text.size()) return std::nullopt;

  std::uint64_t value = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    int digit = (c >= '0' && c <= '9')          ? c - '0'
                : hex && (c >= 'a' && c <= 'f') ? c - 'a' + 10
                : hex && (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                : -1;
    if (digit < 0) return std::nullopt;
    value = value * (hex ? 16u : 10u) + static_cast<unsigned>(digit);
    if (value > 0xFFFFFFFFull) return std::nullopt;
  }
  if (hex) {
    // Eight hex digits name a 32-bit pattern, so 0xFFFFFFFF is -1.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
  }
  if (negative ? value > 0x80000000ull : value > 0x7FFFFFFFull) return std::nullopt;
  return negative ? static_cast<std::int32_t>(0 - static_cast<std::int64_t>(value)) : static_cast<std::int32_t>(value);
}

std::int32_t TCustomIniFile::ReadInteger(const std::string& section, const std::string& key, std::int32_t fallback) {
  return ParseIniInteger(ReadString(section, key, "")).value_or(fallback);
}

bool TCustomIniFile::ReadBool(const std::string& section, const std::string& key, bool fallback) {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

void TCustomIniFile::WriteInteger(const std::string& section, const std::string& key, std::int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void TCustomIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void TCustomIniFile::RaiseWriteError() const { throw EIniFileException(file_name_ + " に書き込めません"); }

}  // namespace snx
