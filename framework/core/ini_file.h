#pragma once
// INI-file access with the integer and Boolean rules of private-profile files;
// the platform layer supplies the string reads and writes.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "framework/core/object.h"

namespace snx {

// A decimal integer, optionally signed, or an unsigned 32-bit pattern in
// hexadecimal after 0x or 0X; any other text (a signed hexadecimal number, a
// value outside 32 bits) is no integer.
std::optional<std::int32_t> ParseIniInteger(std::string_view text);

class TCustomIniFile : public TObject {
 public:
  explicit TCustomIniFile(std::string file_name) : file_name_(std::move(file_name)) {}

  const std::string& FileName() const { return file_name_; }

  // The stored text (at most 2047 characters), or `fallback` when the file,
  // section or key is missing.
  virtual std::string ReadString(const std::string& section, const std::string& key, const std::string& fallback) = 0;
  // Raises EIniFileException ("<path> に書き込めません") when the write fails.
  virtual void WriteString(const std::string& section, const std::string& key, const std::string& value) = 0;

  std::int32_t ReadInteger(const std::string& section, const std::string& key, std::int32_t fallback);
  // True when the stored integer is not zero.
  bool ReadBool(const std::string& section, const std::string& key, bool fallback);
  void WriteInteger(const std::string& section, const std::string& key, std::int32_t value);
  void WriteBool(const std::string& section, const std::string& key, bool value);

 protected:
  [[noreturn]] void RaiseWriteError() const;

 private:
  std::string file_name_;
};

}  // namespace snx
