#pragma once
// The tray component on Win32: the shell's notification area with the
// hidden windows it reports to, and the user, text, version and icon services.
#include "trayicon/core/tray_platform.h"
#include "trayicon/win32/file_version.h"

namespace snx {

// The tray's texts in a Windows code page (the system's by default).
class TCodePageText final : public TTrayText {
 public:
  explicit TCodePageText(unsigned code_page);
  std::string Encode(std::string_view utf8) override;
  std::size_t CharacterLength(std::string_view text) override;

 private:
  unsigned code_page_;
};

// The program's Win32 tray platform, made on first use on the user-interface
// thread; it lasts for the whole run.
const TTrayPlatform& Win32TrayPlatform();
// The system's versions behind it.
TSystemVersions& Win32SystemVersions();

}  // namespace snx
