#pragma once
// Version numbers from a file's version resource, and what the Win32 shell's
// versions say about its notification area.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace snx {

struct TOsVersion {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
};

// The fixed file information's two version words.
struct TFixedFileVersion {
  std::uint32_t ms = 0;
  std::uint32_t ls = 0;
};

// The system's version and its files' version resources.
class TSystemVersions {
 public:
  virtual TOsVersion OsVersion() = 0;
  virtual std::string SystemDirectory() = 0;
  // Version resources: the size of a file's block (0 when it has none), the
  // block itself into a buffer of that size, and the block's root entry.
  virtual std::uint32_t FileVersionInfoSize(const std::string& file) = 0;
  virtual bool FileVersionInfo(const std::string& file, std::vector<std::uint8_t>& block) = 0;
  virtual std::optional<TFixedFileVersion> RootVersion(const std::vector<std::uint8_t>& block) = 0;

 protected:
  ~TSystemVersions() = default;
};

// Sets the given optional outputs to 0, then all four outputs from the file's
// version when it has one; `major` is touched only then.
void GetFileVersion(TSystemVersions& system, const std::string& file_name, std::uint16_t& major,
                    std::uint16_t* minor = nullptr, std::uint16_t* third = nullptr, std::uint16_t* fourth = nullptr);
// The same for a file in the system directory.
void GetSysFileVersion(TSystemVersions& system, const std::string& file_name, std::uint16_t& major,
                       std::uint16_t* minor = nullptr, std::uint16_t* third = nullptr, std::uint16_t* fourth = nullptr);

// What the shell's versions say about its notification area.
struct TShellFeatures {
  // The whole record: balloons, and icons hidden in place. Otherwise only its
  // first 88 bytes: hiding deletes the icon and balloons show nothing.
  bool full_record = true;
  // A failed add may only have timed out and is worth probing and repeating.
  bool add_may_time_out = false;
};

// shell32.dll of major version 5 or more reads the whole record (without a
// version resource it counts as 0); from Windows XP (5.1) on, a busy shell
// may time out on an add that it still carries out.
TShellFeatures ShellFeatures(TSystemVersions& system);

}  // namespace snx
