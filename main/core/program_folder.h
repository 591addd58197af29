#pragma once
// Where the program's own files are: the folder that holds the executable.
#include <string>
#include <string_view>

namespace snx {

// The folder of an executable's full path with its closing separator, so that
// a file name can follow it; empty when the path names no folder. Windows
// takes '/' as well as '\\' between folders, and so does this.
std::string ProgramFolder(std::string_view exe_name);

}  // namespace snx
