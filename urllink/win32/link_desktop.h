#pragma once
// The desktop as links reach it on Win32: hint windows, the pointer, and the
// shell's execute call.
#include "urllink/core/urllink.h"

namespace snx {

TLinkDesktop& Win32LinkDesktop();

}  // namespace snx
