#pragma once
// The program's tray platform on Linux: the notification area, text and
// input of TLinuxTray, the program's GTK forms, and the icons' register.
#include "trayicon/core/tray_platform.h"

namespace snx {

// Made on first use, once GTK is running; it lasts for the whole run.
const TTrayPlatform& LinuxTrayPlatform();

}  // namespace snx
