#include "main/linux/skin_location.h"

#include <unistd.h>

#include <cstdlib>

namespace snx {

namespace {

// `folder` + "/sonalix/", or nothing when `folder` is not absolute.
void AddDataFolder(std::vector<std::string>& folders, std::string_view folder) {
  if (!folder.starts_with('/')) return;
  while (folder.ends_with('/')) folder.remove_suffix(1);
  folders.push_back(std::string(folder) + "/sonalix/");
}

}  // namespace

std::vector<std::string> SkinFolders(std::string_view program_folder, const char* xdg_data_home, const char* home,
                                     const char* xdg_data_dirs) {
  std::vector<std::string> folders{std::string(program_folder)};
  if (xdg_data_home != nullptr && xdg_data_home[0] == '/') {
    AddDataFolder(folders, xdg_data_home);
  } else if (home != nullptr && home[0] == '/') {
    std::string data_home(home);
    while (data_home.ends_with('/')) data_home.pop_back();
    AddDataFolder(folders, data_home + "/.local/share");
  }
  std::string_view dirs =
      xdg_data_dirs != nullptr && xdg_data_dirs[0] != '\0' ? xdg_data_dirs : "/usr/local/share/:/usr/share/";
  while (!dirs.empty()) {
    const std::size_t colon = dirs.find(':');
    AddDataFolder(folders, dirs.substr(0, colon));
    dirs.remove_prefix(colon == std::string_view::npos ? dirs.size() : colon + 1);
  }
  return folders;
}

std::string SkinFolder(std::string_view program_folder) {
  for (const std::string& folder :
       SkinFolders(program_folder, std::getenv("XDG_DATA_HOME"), std::getenv("HOME"), std::getenv("XDG_DATA_DIRS"))) {
    if (access((folder + "DATA/MAIN.BMP").c_str(), R_OK) == 0) return folder;
  }
  return std::string(program_folder);
}

}  // namespace snx
