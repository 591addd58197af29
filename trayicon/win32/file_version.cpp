#include "trayicon/win32/file_version.h"

namespace snx {

void GetFileVersion(TSystemVersions& system, const std::string& file_name, std::uint16_t& major, std::uint16_t* minor,
                    std::uint16_t* third, std::uint16_t* fourth) {
  for (std::uint16_t* out : {minor, third, fourth}) {
    if (out != nullptr) *out = 0;
  }
  const std::uint32_t size = system.FileVersionInfoSize(file_name);
  if (size == 0) return;
  std::vector<std::uint8_t> block(size);
  // A block that could not be read is not searched: it holds no version.
  if (!system.FileVersionInfo(file_name, block)) return;
  const std::optional<TFixedFileVersion> version = system.RootVersion(block);
  if (!version) return;
  major = static_cast<std::uint16_t>(version->ms >> 16);
  if (minor != nullptr) *minor = static_cast<std::uint16_t>(version->ms & 0xFFFF);
  if (third != nullptr) *third = static_cast<std::uint16_t>(version->ls >> 16);
  if (fourth != nullptr) *fourth = static_cast<std::uint16_t>(version->ls & 0xFFFF);
}

void GetSysFileVersion(TSystemVersions& system, const std::string& file_name, std::uint16_t& major,
                       std::uint16_t* minor, std::uint16_t* third, std::uint16_t* fourth) {
  std::string path = system.SystemDirectory();
  if (path.empty() || path.back() != '\\') path += '\\';
  GetFileVersion(system, path + file_name, major, minor, third, fourth);
}

TShellFeatures ShellFeatures(TSystemVersions& system) {
  std::uint16_t shell_version = 0;
  GetSysFileVersion(system, "shell32.dll", shell_version);
  const TOsVersion os = system.OsVersion();
  return {.full_record = shell_version >= 5, .add_may_time_out = os.major > 5 || (os.major == 5 && os.minor > 0)};
}

}  // namespace snx
