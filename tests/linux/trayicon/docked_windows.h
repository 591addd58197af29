#pragma once
// What the XEmbed tray host (trayer) holds, read from the X server: Xlib's
// macros stay out of the test sources.
#include <string>
#include <vector>

namespace snx::testing {

// The names of the windows inside the tray host's "panel" window.
std::vector<std::string> DockedNames();

}  // namespace snx::testing
