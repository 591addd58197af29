#pragma once
// The tray component on Win32: Shell_NotifyIconA with the record, the hidden
// window that hosts the callback component, and the user, version and icon
// services.
#include "trayicon/core/file_version.h"
#include "trayicon/core/tray_platform.h"

namespace snx {

class TWin32TrayPlatform final : public TNotifyArea, public TTrayInput, public TTrayForms, public TSystemVersions {
 public:
  TNotifyAreaFeatures Features() override;
  bool NotifyIcon(std::uint32_t message, const TNotifyIconDataV5A& data) override;
  std::uint32_t LastError() override;
  std::string ToSystemCodePage(std::string_view utf8) override;
  std::unique_ptr<TCallbackWindowHost> CreateCallbackWindow(TCallbackWindow& window, TComponent* parent) override;

  TPoint CursorPos() override;
  std::uint32_t DoubleClickTime() override;
  void Sleep(std::uint32_t milliseconds) override;

  bool ForegroundForm(TComponent* owner) override;
  void ForegroundActiveForm() override;
  TIconHandle FormIcon(TComponent* owner) override;
  TIconHandle ApplicationIcon() override;

  TOsVersion OsVersion() override;
  std::string SystemDirectory() override;
  std::uint32_t FileVersionInfoSize(const std::string& file) override;
  bool FileVersionInfo(const std::string& file, std::vector<std::uint8_t>& block) override;
  std::optional<TFixedFileVersion> RootVersion(const std::vector<std::uint8_t>& block) override;
};

// The program's Win32 tray platform and the system's versions behind it; they
// hold no state of their own.
const TTrayPlatform& Win32TrayPlatform();
TSystemVersions& Win32SystemVersions();

}  // namespace snx
