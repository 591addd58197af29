#include "main/core/program_folder.h"

namespace snx {

std::string ProgramFolder(std::string_view exe_name) {
  const std::size_t separator = exe_name.find_last_of("\\/");
  return separator == std::string_view::npos ? std::string() : std::string(exe_name.substr(0, separator + 1));
}

}  // namespace snx
