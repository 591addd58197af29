#pragma once
// INI files read and written whole, by the rules of private-profile files.
// A write replaces the file atomically, so a crash leaves the old or the new
// text, never half of one. A file behind a symbolic link is replaced where it
// lies, the link kept; the file keeps its mode, and a new one gets the usual
// mode (0666 less the umask). Only a regular file is read, and only a
// regular file (or none) is replaced.
#include "framework/core/ini_file.h"

namespace snx {

class TIniFile : public TCustomIniFile {
 public:
  using TCustomIniFile::TCustomIniFile;
  std::string ReadString(const std::string& section, const std::string& key, const std::string& fallback) override;
  // Creates the file's folder (for its owner only) when it is missing.
  void WriteString(const std::string& section, const std::string& key, const std::string& value) override;
};

}  // namespace snx
