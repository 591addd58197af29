#pragma once
// The platform a build runs on, chosen here once for the code written once
// over the framework (the program's forms and entry routine): its
// application, form and timer. What a platform defines behind a declaration
// of the core (TIniFile, Monitors, SystemLinkDesktop) comes from the
// platform's library, which the build links in the same way. The unit tests
// build that code natively over stand-ins that record what it asks.
#if defined(SONALIX_FAKE_PLATFORM)
#include "tests/unit/fake_platform.h"
#elif defined(_WIN32)
#include "framework/win32/application.h"
#include "framework/win32/form.h"
#include "framework/win32/timer.h"

namespace snx {
using TPlatformApplication = TWin32Application;
using TPlatformTimer = TWin32Timer;
}  // namespace snx
#else
#include "framework/linux/application.h"
#include "framework/linux/form.h"
#include "framework/linux/timer.h"

namespace snx {
using TPlatformApplication = TGtkApplication;
using TPlatformTimer = TGtkTimer;
}  // namespace snx
#endif
