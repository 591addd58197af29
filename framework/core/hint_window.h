#pragma once
// A small borderless top-level window that stays above the others and
// shows one line of text without taking the focus.
#include <string>
#include <string_view>

#include "framework/core/geometry.h"
#include "framework/core/graphics.h"

namespace snx {

class THintWindow {
 public:
  THintWindow() = default;
  THintWindow(const THintWindow&) = delete;
  THintWindow& operator=(const THintWindow&) = delete;
  virtual ~THintWindow() = default;

  virtual void SetColor(TColor color) = 0;
  // The font the window measures and draws its text in.
  virtual TFont& Font() = 0;
  virtual TSize TextExtent(std::string_view text) = 0;
  // Screen position and outer size; the window has no frame.
  virtual void SetBounds(int left, int top, int width, int height) = 0;
  // Shows the window without activating it.
  virtual void ShowNoActivate() = 0;
  virtual void Hide() = 0;
  // Draws the text at (x, y) on the background colour; the window keeps
  // showing it, whatever covers and uncovers it, until the next call.
  virtual void ShowText(int x, int y, std::string text) = 0;
};

}  // namespace snx
