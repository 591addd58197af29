#pragma once
// The program's tray platform on Linux: the notification area and input of
// TLinuxTray, and the program's GTK forms.
#include "trayicon/core/tray_platform.h"

namespace snx {

// Made on first use, once GTK is running; it lasts for the whole run.
const TTrayPlatform& LinuxTrayPlatform();

}  // namespace snx
