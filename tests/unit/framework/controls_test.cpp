#include "framework/core/controls.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/object.h"
#include "framework/core/reader.h"
#include "framework/core/utf.h"
#include "tests/unit/fake_control_parent.h"

namespace snx {
namespace {

// --- Pointer routing ---

class PointerRoutingTest : public testing::Test {
 protected:
  // A label that logs what reaches it.
  TLabel* Place(const std::string& name, int left, int width) {
    auto* label = new TLabel(&owner);
    label->SetName(name);
    label->SetAutoSize(false);
    label->SetBounds(left, 0, width, 20);
    label->OnMouseEnter = [this, name](TObject*) { log.push_back("enter " + name); };
    label->OnMouseLeave = [this, name](TObject*) { log.push_back("leave " + name); };
    label->OnMouseMove = [this, name](TObject*, TShiftState, int x, int y) {
      log.push_back("move " + name + " " + std::to_string(x) + "," + std::to_string(y));
    };
    label->OnMouseDown = [this, name](TObject*, TMouseButton, TShiftState, int x, int y) {
      log.push_back("down " + name + " " + std::to_string(x) + "," + std::to_string(y));
    };
    label->SetParent(&parent);
    return label;
  }

  FakeControlParent parent;
  TComponent owner{nullptr};
  std::vector<std::string> log;
};

TEST_F(PointerRoutingTest, TheTopmostControlUnderThePointerIsEnteredAndLeft) {
  Place("a", 0, 50);
  TLabel* b = Place("b", 30, 50);  // placed later, so above a where they overlap
  parent.MouseMoved({}, 10, 5);
  parent.MouseMoved({}, 12, 6);
  parent.MouseMoved({}, 40, 5);
  parent.MouseMoved({}, 200, 5);
  parent.MouseLeft();
  EXPECT_EQ(log, (std::vector<std::string>{"enter a", "move a 10,5", "move a 12,6", "leave a", "enter b",
                                           "move b 10,5", "leave b"}));

  log.clear();
  b->SetVisible(false);
  parent.MouseMoved({}, 40, 5);
  parent.MouseLeft();
  EXPECT_EQ(log, (std::vector<std::string>{"enter a", "move a 40,5", "leave a"}));
}

TEST_F(PointerRoutingTest, PressGoesToTheControlThereEnteringItFirst) {
  Place("a", 0, 50);
  EXPECT_TRUE(parent.MousePressed(TMouseButton::mbLeft, {}, 20, 7));
  EXPECT_FALSE(parent.MousePressed(TMouseButton::mbLeft, {}, 60, 7));
  EXPECT_EQ(log, (std::vector<std::string>{"enter a", "move a 20,7", "down a 20,7"}));
}

TEST_F(PointerRoutingTest, ControlGoneFromUnderThePointerIsNeverCalledAgain) {
  TLabel* a = Place("a", 0, 50);
  parent.MouseMoved({}, 10, 5);
  delete a;
  parent.MouseMoved({}, 11, 5);
  parent.MouseLeft();
  EXPECT_EQ(log, (std::vector<std::string>{"enter a", "move a 10,5"}));
  EXPECT_TRUE(parent.Controls().empty());
}

// Records what a control paints.
class FakeCanvas final : public TCanvas {
 public:
  TSize TextExtent(std::string_view text) override { return {static_cast<int>(text.size()), 1}; }
  void FillRect(const TRect& r, TColor color) override { log.push_back("fill " + Rect(r) + " " + std::to_string(color)); }
  void TextRect(const TRect& clip, int x, int y, std::string_view text) override {
    log.push_back("text " + Rect(clip) + " at " + std::to_string(x) + "," + std::to_string(y) + " " +
                  std::string(text) + " in " + std::to_string(Font().Color()));
  }
  void Draw(const TRect& r, const TBitmap& bitmap) override {
    log.push_back("draw " + Rect(r) + " " + std::to_string(bitmap.Width()) + "x" + std::to_string(bitmap.Height()));
  }
  static std::string Rect(const TRect& r) {
    return std::to_string(r.Left) + "," + std::to_string(r.Top) + "-" + std::to_string(r.Right) + "," +
           std::to_string(r.Bottom);
  }
  std::vector<std::string> log;
};

// A minimal 24-bit bitmap file of w x h black pixels.
std::vector<std::uint8_t> BitmapFile(int w, int h) {
  const int stride = (w * 3 + 3) & ~3;
  const int image = stride * h;
  std::vector<std::uint8_t> f(54 + static_cast<std::size_t>(image), 0);
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) f[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  f[0] = 'B';
  f[1] = 'M';
  put32(2, static_cast<std::uint32_t>(f.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<std::uint32_t>(w));
  put32(22, static_cast<std::uint32_t>(h));
  f[26] = 1;
  f[28] = 24;
  return f;
}

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

// --- Form descriptions ---

class Window : public TComponent, public FakeControlParent {
 public:
  Window() : TComponent(nullptr) {}
  void AddChildComponent(TComponent* child) override { dynamic_cast<TControl*>(child)->SetParent(this); }
  void Read(std::string_view text) {
    const ComponentClassTable classes{
        {"TLabel", [](TComponent* owner) -> TComponent* { return new TLabel(owner); }},
        {"TImage", [](TComponent* owner) -> TComponent* { return new TImage(owner); }}};
    const ObjectDescription description = ParseFormDescription(text);
    TReader(description, classes).ReadRootComponent(this);
  }
};

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (std::uint8_t b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

TEST(ControlDescriptionTest, LabelKeepsItsStoredSizeUntilLoadedThenFitsItsCaption) {
  Window window;
  window.font.SetName("Form Face");
  window.Read(R"(object W: TForm
  object Title: TLabel
    Left = 8
    Top = 8
    Width = 63
    Height = 12
    Caption = 'Sonalix'
    Color = clBlack
    Font.Height = -12
    Font.Color = clWhite
    Font.Style = [fsBold]
    ParentColor = False
    ParentFont = False
  end
  object Banner: TImage
    Left = 8
    Top = 104
    Width = 201
    Height = 41
    Picture.Data = {)" + Hex(BitmapFile(200, 40)) + R"(}
  end
end
)");
  auto* title = dynamic_cast<TLabel*>(window.FindComponent("Title"));
  auto* banner = dynamic_cast<TImage*>(window.FindComponent("Banner"));
  ASSERT_TRUE(title != nullptr && banner != nullptr);
  EXPECT_EQ(title->BoundsRect(), (TRect{8, 8, 8 + 49, 20}));
  EXPECT_EQ(title->Font().Name(), "Form Face");  // taken when placed, then changed
  EXPECT_EQ(title->Color(), clBlack);
  ASSERT_TRUE(banner->Picture().has_value());
  EXPECT_EQ(banner->Picture()->Width(), 200);
  EXPECT_EQ(window.Controls(), (std::vector<TControl*>{title, banner}));

  title->SetCaption("Sonalix 100115");  // an auto-sized label follows its caption
  EXPECT_EQ(title->BoundsRect(), (TRect{8, 8, 8 + 98, 20}));
  title->SetAutoSize(false);
  title->SetCaption("x");
  EXPECT_EQ(title->Width(), 98);
}

class OutOfRangeDescriptionTest : public testing::TestWithParam<const char*> {};

TEST_P(OutOfRangeDescriptionTest, ValuesThatDoNotFitAreRefusedNotWrapped) {
  Window window;
  const std::string text = std::string("object W: TForm\n  object L: TLabel\n") + GetParam() + "\n  end\nend\n";
  EXPECT_THROW(window.Read(text), Exception) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(
    Values, OutOfRangeDescriptionTest,
    testing::Values("    Left = 4294967295", "    Top = -2147483649", "    Width = 2147483648",
                    "    Left = 2147483647\n    Width = 1", "    Top = -2147483648\n    Height = -1",
                    "    Width = 5\n    Left = 2147483643", "    Font.Charset = 256", "    Font.Charset = -1",
                    "    Tag = 4294967295"));

TEST(ControlDescriptionTest, ExtremeValuesThatFitAreKept) {
  Window window;
  window.Read(R"(object W: TForm
  object L: TLabel
    Left = -2147483648
    Top = 2147483637
    Width = 2147483647
    Height = 10
    Font.Charset = 255
    Font.Color = 4294967295
    AutoSize = False
  end
end
)");
  auto* label = dynamic_cast<TLabel*>(window.FindComponent("L"));
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->BoundsRect(), (TRect{INT32_MIN, 2147483637, -1, INT32_MAX}));
  EXPECT_EQ(label->Font().Charset(), 255);
  EXPECT_EQ(label->Font().Color(), 0xFFFFFFFFu);
}

// --- Bitmap files ---

struct Corruption {
  const char* what;
  std::function<void(std::vector<std::uint8_t>&)> apply;
};

class BitmapRejectTest : public testing::TestWithParam<Corruption> {};

TEST_P(BitmapRejectTest, DataThatWouldBeReadOutOfBoundsIsRefused) {
  std::vector<std::uint8_t> file = BitmapFile(200, 40);
  GetParam().apply(file);
  EXPECT_THROW(TBitmap::FromFile(file), EReadError);
}

INSTANTIATE_TEST_SUITE_P(
    Files, BitmapRejectTest,
    testing::Values(Corruption{"Empty", [](auto& f) { f.clear(); }},
                    Corruption{"NoMagic", [](auto& f) { f[0] = 'X'; }},
                    Corruption{"LastRowCut", [](auto& f) { f.pop_back(); }},
                    Corruption{"PixelsPastTheEnd", [](auto& f) { f[10] = 60; }},
                    Corruption{"PixelsInsideTheHeader", [](auto& f) { f[10] = 20; }},
                    Corruption{"HugeHeader", [](auto& f) { f[17] = 0x7F; }},
                    Corruption{"ZeroWidth", [](auto& f) { f[18] = 0; }},
                    Corruption{"NegativeWidth", [](auto& f) { f[21] = 0xFF; }},
                    Corruption{"HugeHeight", [](auto& f) { f[24] = 0x10; }},
                    Corruption{"Compressed", [](auto& f) { f[30] = 1; }},
                    Corruption{"OddDepth", [](auto& f) { f[28] = 7; }},
                    Corruption{"PaletteOutsideTheData", [](auto& f) { f[28] = 8; }}),
    [](const testing::TestParamInfo<Corruption>& param) { return std::string(param.param.what); });

// --- Text for native windows ---

TEST(Utf8ToUtf16Test, ConvertsCharactersAndReplacesWhatIsNoCharacter) {
  EXPECT_EQ(Utf8ToUtf16("abc"), u"abc");
  EXPECT_EQ(Utf8ToUtf16("\xE3\x83\x90\xE3\x83\xBC"), u"\u30D0\u30FC");   // バー
  EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x8E\xB5"), u"\U0001F3B5");              // a surrogate pair
  EXPECT_EQ(Utf8ToUtf16("a\xC0\xAF" "b"), u"a\uFFFD\uFFFD" "b");          // overlong '/'
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");          // a lone surrogate
  EXPECT_EQ(Utf8ToUtf16("x\xE3\x83"), u"x\uFFFD\uFFFD");                  // cut short
}

}  // namespace
}  // namespace snx
