#pragma once
// A form's X display and window, for Xlib drawing straight onto it. Kept
// apart from form.h: Xlib's macros (None, Bool, Status...) stay out of
// everything that does not draw with it.
#include <gdk/gdkx.h>

#include "framework/linux/form.h"

namespace snx {

inline Display* XDisplayOf(TForm& form) { return GDK_WINDOW_XDISPLAY(form.NativeWindow()); }
inline Window XWindowOf(TForm& form) { return GDK_WINDOW_XID(form.NativeWindow()); }

}  // namespace snx
