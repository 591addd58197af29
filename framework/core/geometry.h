#pragma once
// Points, sizes and rectangles in pixels, as windows and controls place things.

namespace snx {

struct TPoint {
  int X = 0;
  int Y = 0;
};

struct TSize {
  int cx = 0;
  int cy = 0;
};

struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
  friend bool operator==(const TRect&, const TRect&) = default;
};

}  // namespace snx
