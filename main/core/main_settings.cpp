#include "main/core/main_settings.h"

#include "main/core/program_folder.h"

namespace snx {

namespace {
constexpr const char* kSection = "Main";
constexpr const char* kDeviceKey = "Device";
}  // namespace

std::string SettingsPath(const std::string& exe_name) { return ProgramFolder(exe_name) + "Sonalix.ini"; }

MainSettings ReadMainSettings(TCustomIniFile& ini) {
  MainSettings defaults;
  MainSettings s;
  s.left = ini.ReadInteger(kSection, "MainX", defaults.left);
  s.top = ini.ReadInteger(kSection, "MainY", defaults.top);
  s.stay_on_top = ini.ReadBool(kSection, "Top", defaults.stay_on_top);
  s.device = ini.ReadString(kSection, kDeviceKey, defaults.device);
  return s;
}

void WriteMainSettings(TCustomIniFile& ini, const MainSettings& settings) {
  ini.WriteInteger(kSection, "MainX", settings.left);
  ini.WriteInteger(kSection, "MainY", settings.top);
  ini.WriteBool(kSection, "Top", settings.stay_on_top);
  if (!settings.device.empty()) {
    ini.WriteString(kSection, kDeviceKey, settings.device);
  } else if (!ini.ReadString(kSection, kDeviceKey, "").empty()) {
    ini.DeleteKey(kSection, kDeviceKey);
  }
}

}  // namespace snx
