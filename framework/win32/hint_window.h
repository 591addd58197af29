#pragma once
// The hint window on Win32: a frameless, topmost popup that never takes the
// focus and repaints its text itself whenever it is uncovered.
#include <windows.h>

#include "framework/core/hint_window.h"
#include "framework/win32/window.h"

namespace snx {

class TWin32HintWindow final : public TTextHintWindow, private MessageTarget {
 public:
  // The window, made on first use.
  HWND Handle();

  TSize TextExtent(std::string_view text) override;
  void SetBounds(int left, int top, int width, int height) override;
  void ShowNoActivate() override;
  void Hide() override;

 private:
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override;
  // Paints at once, so that a new text shows before anything else runs.
  void Repaint() override;

  UniqueWindow window_;  // last, so it goes first
};

}  // namespace snx
