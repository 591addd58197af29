#pragma once
// A window stand-in for controls: it records repaint requests and measures
// text as `char_width` pixels a byte by the font's height.
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "framework/core/controls.h"

namespace snx {

class FakeControlParent : public TControlParent {
 public:
  ~FakeControlParent() { DetachControls(); }

  TFont& Font() override { return font; }
  TColor Color() const override { return color; }
  void InvalidateClientRect(const TRect& rect) override { invalidated.push_back(rect); }
  TSize TextExtent(const TFont& f, std::string_view text) override {
    return {static_cast<int>(text.size()) * char_width, std::abs(f.Height())};
  }
  std::unique_ptr<TListWindow> CreateListWindow(TCustomListBox&) override {
    throw std::logic_error("this parent makes no list windows");
  }

  TFont font;
  TColor color = clBtnFace;
  int char_width = 7;
  std::vector<TRect> invalidated;
};

}  // namespace snx
