#pragma once
// Where the skins (the DATA folder) are on Linux: beside the program in a
// build tree or an unpacked folder, else where an installed program keeps
// its data, the user's data folder before the system's.
#include <string>
#include <string_view>
#include <vector>

namespace snx {

// The folders to look in, in order, each with its closing "/":
// `program_folder`, then `xdg_data_home` + "/sonalix/" (`home` +
// "/.local/share/sonalix/" when the former is missing, empty or relative),
// then each absolute entry of the colon list `xdg_data_dirs` + "/sonalix/"
// ("/usr/local/share/:/usr/share/" when that is missing or empty), as the
// base directory rules have it.
std::vector<std::string> SkinFolders(std::string_view program_folder, const char* xdg_data_home, const char* home,
                                     const char* xdg_data_dirs);

// The first of those folders, for this process's environment, whose DATA
// holds the main skin; `program_folder` when none does, so that missing
// skins look as they always have.
std::string SkinFolder(std::string_view program_folder);

}  // namespace snx
