#pragma once
// The hint window on GTK: a popup that the window manager never sees, so it
// never takes the focus, and that redraws its text whenever it is uncovered.
#include <string>

#include "framework/core/hint_window.h"
#include "framework/linux/handles.h"

namespace snx {

class TGtkHintWindow final : public THintWindow {
 public:
  TGtkHintWindow() = default;
  ~TGtkHintWindow() override;

  // The window, made on first use.
  GtkWidget* Handle();

  void SetColor(TColor color) override;
  TFont& Font() override { return font_; }
  TSize TextExtent(std::string_view text) override;
  void SetBounds(int left, int top, int width, int height) override;
  void ShowNoActivate() override;
  void Hide() override;
  void ShowText(int x, int y, std::string text) override;

 private:
  void Draw(cairo_t* cr);
  void Repaint();

  TColor color_ = clInfoBk;
  TFont font_;
  std::string text_;
  int text_x_ = 0;
  int text_y_ = 0;
  UniqueWidget window_;  // last, so it goes first
};

}  // namespace snx
