#pragma once
// The hint window on Win32: a frameless, topmost popup that never takes the
// focus and repaints its text itself whenever it is uncovered.
#include <windows.h>

#include <string>

#include "framework/core/hint_window.h"
#include "framework/win32/window.h"

namespace snx {

class TWin32HintWindow final : public THintWindow, private MessageTarget {
 public:
  TWin32HintWindow() = default;

  // The window, made on first use.
  HWND Handle();

  void SetColor(TColor color) override;
  TFont& Font() override { return font_; }
  TSize TextExtent(std::string_view text) override;
  void SetBounds(int left, int top, int width, int height) override;
  void ShowNoActivate() override;
  void Hide() override;
  void ShowText(int x, int y, std::string text) override;

 private:
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override;
  void Repaint();

  TColor color_ = clInfoBk;
  TFont font_;
  std::string text_;
  int text_x_ = 0;
  int text_y_ = 0;
  UniqueWindow window_;  // last, so it goes first
};

}  // namespace snx
