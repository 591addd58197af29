#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/controls.h"
#include "framework/core/form_description.h"
#include "framework/core/object.h"
#include "framework/core/reader.h"
#include "tests/unit/fake_control_parent.h"
#include "tests/unit/framework/bitmap_file.h"

namespace snx {
namespace {

class Window : public TComponent, public FakeControlParent {
 public:
  Window() : TComponent(nullptr) {}
  void AddChildComponent(TComponent* child) override { dynamic_cast<TControl*>(child)->SetParent(this); }
  void Read(std::string_view text) {
    const ComponentClassTable classes{{"TLabel", [](TComponent* owner) -> TComponent* { return new TLabel(owner); }},
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
    Picture.Data = {)" +
              Hex(BitmapFile(200, 40)) + R"(}
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

INSTANTIATE_TEST_SUITE_P(Values, OutOfRangeDescriptionTest,
                         testing::Values("    Left = 4294967295", "    Top = -2147483649", "    Width = 2147483648",
                                         "    Left = 2147483647\n    Width = 1",
                                         "    Top = -2147483648\n    Height = -1",
                                         "    Width = 5\n    Left = 2147483643", "    Font.Charset = 256",
                                         "    Font.Charset = -1", "    Tag = 4294967295"));

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

}  // namespace
}  // namespace snx
