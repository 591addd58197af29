#include "main/linux/settings_location.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace snx {

std::string SettingsLocation(const char* xdg_config_home, const char* home) {
  const bool use_config_home = xdg_config_home != nullptr && xdg_config_home[0] == '/';
  std::string folder = use_config_home ? xdg_config_home : home != nullptr ? home : "";
  // A closing "/" must not double the separator ("/" itself becomes empty).
  while (folder.ends_with('/')) folder.pop_back();
  if (!use_config_home) folder += "/.config";
  return folder + "/sonalix/Sonalix.ini";
}

std::string SettingsLocation() {
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] == '\0') {
    const passwd* user = getpwuid(getuid());
    home = user != nullptr ? user->pw_dir : nullptr;
  }
  return SettingsLocation(std::getenv("XDG_CONFIG_HOME"), home);
}

}  // namespace snx
