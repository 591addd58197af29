#pragma once
// A small borderless top-level window that stays above the others and
// shows one line of text without taking the focus.
#include <string>
#include <string_view>
#include <utility>

#include "framework/core/canvas.h"
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

// What a platform's hint window shows, kept here for it to paint whenever
// it is uncovered; the platform makes the window and paints.
class TTextHintWindow : public THintWindow {
 public:
  void SetColor(TColor color) override {
    color_ = color;
    Repaint();
  }
  TFont& Font() override { return font_; }
  void ShowText(int x, int y, std::string text) override {
    text_x_ = x;
    text_y_ = y;
    text_ = std::move(text);
    Repaint();
  }

 protected:
  // Has the window, once it exists, paint itself again.
  virtual void Repaint() = 0;
  TColor Color() const { return color_; }
  // The text in the window's font, clipped to `client`.
  void PaintText(TCanvas& canvas, const TRect& client) const {
    canvas.Font().Assign(font_);
    canvas.TextRect(client, text_x_, text_y_, text_);
  }

 private:
  TColor color_ = clInfoBk;
  TFont font_;
  std::string text_;
  int text_x_ = 0;
  int text_y_ = 0;
};

}  // namespace snx
