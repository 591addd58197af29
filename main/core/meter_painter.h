#pragma once
// Keeps the strip's screen in step with the meter at the least cost: only
// the rows whose picture changed are composed and shown.
#include <optional>
#include <span>

#include "main/core/level_meter.h"
#include "main/core/meter_composer.h"

namespace snx {

// A platform's picture of the strip: the canvas the copies go to, and the
// window its parts are shown in.
class TMeterSurface : public TMeterCanvas {
 public:
  // Shows `parts` of the canvas in the window, all in one go.
  virtual void Present(std::span<const TMeterRect> parts) = 0;

 protected:
  ~TMeterSurface() = default;
};

class TMeterPainter {
 public:
  // Brings `surface` to the picture of `levels`: composes the rows whose
  // frame changed since the last one shown and shows those rows; does
  // nothing at all when none changed. `repaint` (the window lost its pixels)
  // shows the whole strip whatever changed, as does the first paint.
  void Paint(const TStereoLevels& levels, bool repaint, TMeterSurface& surface);
  // The surface's canvas is gone or new: the next paint draws everything.
  void Forget() { shown_.reset(); }

 private:
  std::optional<TMeterFrame> shown_;
};

}  // namespace snx
