// Composes the strip for each line of levels read ("left_level left_peak
// right_level right_peak") from skins whose every pixel names where it lies,
// and prints each pixel that did not stay the main skin's own, as "x y skin
// source_x source_y", then "-": what the geometry model is checked
// against (meter_model_check.py).
#include <cstdint>
#include <cstdio>
#include <iostream>

#include "tests/unit/main/composed_strip.h"

namespace {

constexpr std::uint32_t kParts = 1U << 20;

std::uint32_t Origin(std::uint32_t skin, int x, int y) {
  return skin | static_cast<std::uint32_t>(y) << 10 | static_cast<std::uint32_t>(x);
}

}  // namespace

int main() {
  float left_level = 0;
  float left_peak = 0;
  float right_level = 0;
  float right_peak = 0;
  while (std::cin >> left_level >> left_peak >> right_level >> right_peak) {
    const snx::TStereoLevels levels{snx::TChannelLevel{left_level, 0, left_peak, 0},
                                    snx::TChannelLevel{right_level, 0, right_peak, 0}};
    const snx::TStripPixels strip = snx::ComposedStrip(
        levels, [](int x, int y) { return Origin(0, x, y); }, [](int x, int y) { return Origin(kParts, x, y); });
    for (int y = 0; y < snx::kMeterHeight; ++y) {
      for (int x = 0; x < snx::kMeterWidth; ++x) {
        const std::uint32_t origin = strip[snx::PixelIndex(x, y)];
        if (origin == Origin(0, x, y)) continue;
        std::printf("%d %d %c %u %u\n", x, y, (origin & kParts) != 0 ? 'P' : 'M', origin & 0x3FF, origin >> 10 & 0x3FF);
      }
    }
    std::printf("-\n");
  }
  return 0;
}
