#pragma once
// What the strip remembers between runs, in "Sonalix.ini" beside the program.
#include <cstdint>
#include <string>

#include "framework/core/ini_file.h"

namespace snx {

struct MainSettings {
  std::int32_t left = 300;
  std::int32_t top = 300;
  bool stay_on_top = false;
  // The input metered, by its id; empty for the system's default.
  std::string device;
};

// The settings file's full path for a given executable path.
std::string SettingsPath(const std::string& exe_name);
// Missing keys and values that are not integers give the defaults.
MainSettings ReadMainSettings(TCustomIniFile& ini);
// The default input leaves no key: a file that never had one stays as it was.
void WriteMainSettings(TCustomIniFile& ini, const MainSettings& settings);

}  // namespace snx
