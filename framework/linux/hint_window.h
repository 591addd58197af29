#pragma once
// The hint window on GTK: a popup that the window manager never sees, so it
// never takes the focus, and that redraws its text whenever it is uncovered.
#include "framework/core/hint_window.h"
#include "framework/linux/handles.h"

namespace snx {

class TGtkHintWindow final : public TTextHintWindow {
 public:
  TGtkHintWindow() = default;
  ~TGtkHintWindow() override;

  // The window, made on first use.
  GtkWidget* Handle();

  TSize TextExtent(std::string_view text) override;
  void SetBounds(int left, int top, int width, int height) override;
  void ShowNoActivate() override;
  void Hide() override;

 private:
  void Draw(cairo_t* cr);
  void Repaint() override;

  UniqueWidget window_;  // last, so it goes first
};

}  // namespace snx
