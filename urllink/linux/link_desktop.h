#pragma once
// The desktop as links reach it on Linux: hint windows, the pointer, and the
// desktop's own opener, xdg-open.
#include "urllink/core/urllink.h"

namespace snx {

TLinkDesktop& LinuxLinkDesktop();

}  // namespace snx
