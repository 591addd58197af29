#pragma once
// The strip that the composer makes of two skins for given levels, pixel by
// pixel: what a platform's skin must show once it has made the copies it was
// told to make. The skins' tests compare their window with it, so that where
// lamps, bars and marks lie is said once, by the composer.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "main/core/meter_composer.h"

namespace snx {

// 0xRRGGBB of each pixel, row by row.
using TStripPixels = std::array<std::uint32_t, static_cast<std::size_t>(kMeterWidth) * kMeterHeight>;
// A skin's colour at x, y.
using TSkinPixel = std::function<std::uint32_t(int x, int y)>;

inline std::size_t PixelIndex(int x, int y) {
  return static_cast<std::size_t>(y) * kMeterWidth + static_cast<std::size_t>(x);
}

inline TStripPixels ComposedStrip(const TStereoLevels& levels, const TSkinPixel& main_skin,
                                  const TSkinPixel& parts_skin) {
  class Canvas final : public TMeterCanvas {
   public:
    Canvas(const TSkinPixel& main_skin, const TSkinPixel& parts_skin) : main_(main_skin), parts_(parts_skin) {
      for (int y = 0; y < kMeterHeight; ++y) {
        for (int x = 0; x < kMeterWidth; ++x) pixels[PixelIndex(x, y)] = main_(x, y);
      }
    }
    void Copy(TMeterSource source, int sx, int sy, int width, int height, int dx, int dy) override {
      const TSkinPixel& from = source == TMeterSource::msBack ? main_ : parts_;
      for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) pixels[PixelIndex(dx + x, dy + y)] = from(sx + x, sy + y);
      }
    }
    TStripPixels pixels{};

   private:
    const TSkinPixel& main_;
    const TSkinPixel& parts_;
  } canvas(main_skin, parts_skin);
  ComposeMeter(MeterFrameOf(levels), {true, true}, canvas);
  return canvas.pixels;
}

}  // namespace snx
