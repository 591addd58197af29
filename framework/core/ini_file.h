#pragma once
// INI-file access with the integer and Boolean rules of private-profile files;
// the platform layer supplies the string reads and writes (TIniFile).
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
  // Removes the key, so that a read gives its fallback again; a missing file,
  // section or key stays as it is. Raises EIniFileException as WriteString.
  virtual void DeleteKey(const std::string& section, const std::string& key) = 0;

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

// The platform's INI file (framework/<platform>/ini_file.cpp). On Win32, the
// private-profile calls, one call per read or write. On Linux, the file read
// and written whole by the same rules; a write replaces it atomically, so a
// crash leaves the old or the new text, never half of one. A file behind a
// symbolic link is replaced where it lies, the link kept; the file keeps its
// mode, and a new one gets the usual mode (0666 less the umask). Only a
// regular file is read, and only a regular file (or none) is replaced; a
// missing folder is made (for its owner only) on the first write.
class TIniFile final : public TCustomIniFile {
 public:
  using TCustomIniFile::TCustomIniFile;
  std::string ReadString(const std::string& section, const std::string& key, const std::string& fallback) override;
  void WriteString(const std::string& section, const std::string& key, const std::string& value) override;
  void DeleteKey(const std::string& section, const std::string& key) override;
};

}  // namespace snx
