#pragma once
// Where the settings file lives on Linux: the user's configuration folder.
#include <string>

namespace snx {

// `xdg_config_home` + "/sonalix/Sonalix.ini", or `home` +
// "/.config/sonalix/Sonalix.ini" when the former is missing (null), empty or
// relative, which the base directory rules say to ignore.
std::string SettingsLocation(const char* xdg_config_home, const char* home);

// The same for this process's environment ($XDG_CONFIG_HOME, $HOME, and the
// user's home folder from the password database when $HOME is unset).
std::string SettingsLocation();

}  // namespace snx
