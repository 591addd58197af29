#pragma once
// Points, sizes and rectangles in pixels, as windows and controls place things.

namespace snx {

struct TPoint {
  int x = 0;
  int y = 0;
};

struct TSize {
  int cx = 0;
  int cy = 0;
};

struct TRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
  friend bool operator==(const TRect&, const TRect&) = default;
};

}  // namespace snx
