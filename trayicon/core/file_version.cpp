#include "trayicon/core/file_version.h"

#include <vector>

#include "trayicon/core/tray_platform.h"

namespace snx {

void GetFileVersion(TTrayPlatform& platform, const std::string& file_name, std::uint16_t& major, std::uint16_t* minor,
                    std::uint16_t* third, std::uint16_t* fourth) {
  for (std::uint16_t* out : {minor, third, fourth}) {
    if (out != nullptr) *out = 0;
  }
  const std::uint32_t size = platform.FileVersionInfoSize(file_name);
  if (size == 0) return;
  std::vector<std::uint8_t> block(size);
  // A block that could not be read is not searched: it holds no version.
  if (!platform.FileVersionInfo(file_name, block)) return;
  const std::optional<TFixedFileVersion> version = platform.RootVersion(block);
  if (!version) return;
  major = static_cast<std::uint16_t>(version->ms >> 16);
  if (minor != nullptr) *minor = static_cast<std::uint16_t>(version->ms & 0xFFFF);
  if (third != nullptr) *third = static_cast<std::uint16_t>(version->ls >> 16);
  if (fourth != nullptr) *fourth = static_cast<std::uint16_t>(version->ls & 0xFFFF);
}

void GetSysFileVersion(TTrayPlatform& platform, const std::string& file_name, std::uint16_t& major,
                       std::uint16_t* minor, std::uint16_t* third, std::uint16_t* fourth) {
  std::string path = platform.SystemDirectory();
  if (path.empty() || path.back() != '\\') path += '\\';
  GetFileVersion(platform, path + file_name, major, minor, third, fourth);
}

}  // namespace snx
