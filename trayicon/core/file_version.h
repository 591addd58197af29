#pragma once
// Version numbers from a file's version resource.
#include <cstdint>
#include <string>

namespace snx {

class TTrayPlatform;

// Sets the given optional outputs to 0, then all four outputs from the file's
// version when it has one; `major` is touched only then.
void GetFileVersion(TTrayPlatform& platform, const std::string& file_name, std::uint16_t& major,
                    std::uint16_t* minor = nullptr, std::uint16_t* third = nullptr, std::uint16_t* fourth = nullptr);
// The same for a file in the system directory.
void GetSysFileVersion(TTrayPlatform& platform, const std::string& file_name, std::uint16_t& major,
                       std::uint16_t* minor = nullptr, std::uint16_t* third = nullptr, std::uint16_t* fourth = nullptr);

}  // namespace snx
