#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "framework/core/controls.h"
#include "tests/unit/fake_control_parent.h"
#include "tests/unit/framework/bitmap_file.h"

namespace snx {
namespace {

// Records what a control paints.
class FakeCanvas final : public TCanvas {
 public:
  TSize TextExtent(std::string_view text) override { return {static_cast<int>(text.size()), 1}; }
  void FillRect(const TRect& r, TColor color) override {
    log.push_back("fill " + Rect(r) + " " + std::to_string(color));
  }
  void TextRect(const TRect& clip, int x, int y, std::string_view text) override {
    log.push_back("text " + Rect(clip) + " at " + std::to_string(x) + "," + std::to_string(y) + " " +
                  std::string(text) + " in " + std::to_string(Font().Color()));
  }
  void Draw(const TRect& r, const TBitmap& bitmap) override {
    log.push_back("draw " + Rect(r) + " " + std::to_string(bitmap.Width()) + "x" + std::to_string(bitmap.Height()));
  }
  static std::string Rect(const TRect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
  }
  std::vector<std::string> log;
};

TEST(LabelTest, PaintsItsBackgroundUnlessTransparentAndItsTextInItsFontColour) {
  FakeControlParent parent;
  TLabel label(nullptr);
  label.SetAutoSize(false);
  label.SetBounds(2, 3, 10, 5);
  label.SetCaption("hi");
  label.SetColor(clBlack);
  label.Font().SetColor(clWhite);
  label.SetParent(&parent);
  TImage image(nullptr);
  image.SetBounds(0, 10, 201, 41);
  image.SetPicture(TBitmap::FromFile(BitmapFile(200, 40)));
  image.SetParent(&parent);

  FakeCanvas canvas;
  parent.PaintControls(canvas);
  label.SetTransparent(true);
  parent.PaintControls(canvas);
  const std::string text = "text 2,3-12,8 at 2,3 hi in " + std::to_string(clWhite);
  const std::string draw = "draw 0,10-201,51 200x40";
  EXPECT_EQ(canvas.log, (std::vector<std::string>{"fill 2,3-12,8 0", text, draw, text, draw}));
}

}  // namespace
}  // namespace snx
