#pragma once
// INI files over the private-profile calls, one call per read or write.
#include "framework/core/ini_file.h"

namespace snx {

class TIniFile : public TCustomIniFile {
 public:
  using TCustomIniFile::TCustomIniFile;
  std::string ReadString(const std::string& section, const std::string& key, const std::string& fallback) override;
  void WriteString(const std::string& section, const std::string& key, const std::string& value) override;
};

}  // namespace snx
