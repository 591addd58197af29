#include "main/core/meter_painter.h"

#include <array>
#include <cstddef>

namespace snx {

void TMeterPainter::Paint(const TStereoLevels& levels, bool repaint, TMeterSurface& surface) {
  const TMeterFrame frame = MeterFrameOf(levels);
  TMeterRows changed{};
  std::array<TMeterRect, 2> rows{};
  std::size_t row_count = 0;
  for (std::size_t ch = 0; ch < frame.size(); ++ch) {
    changed[ch] = !shown_ || (*shown_)[ch] != frame[ch];
    if (changed[ch]) rows[row_count++] = ChannelRow(ch);
  }
  if (row_count > 0) ComposeMeter(frame, changed, surface);
  // Before the first paint the window may hold anything, not the canvas.
  if (repaint || !shown_) {
    surface.Present(std::span(&kWholeMeter, 1));
  } else if (row_count > 0) {
    surface.Present(std::span(rows.data(), row_count));
  }
  shown_ = frame;
}

}  // namespace snx
