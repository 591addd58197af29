#include "main/core/draw_guard.h"

namespace snx {

bool TPumpingDrawGuard::BeginDraw() {
  application_.ProcessMessages();
  if (DrawBusy) return false;
  DrawBusy = true;
  return true;
}

}  // namespace snx
