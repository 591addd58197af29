#include "framework/linux/foreign_window_errors.h"

#include <gdk/gdkx.h>

namespace snx {

TForeignWindowErrors::TForeignWindowErrors(GdkDisplay* display) : display_(display) {
  gdk_x11_display_error_trap_push(display_);
}

TForeignWindowErrors::~TForeignWindowErrors() { gdk_x11_display_error_trap_pop_ignored(display_); }

}  // namespace snx
