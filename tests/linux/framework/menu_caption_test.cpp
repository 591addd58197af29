#include "framework/linux/menu_caption.h"

#include <gtest/gtest.h>

namespace snx {
namespace {

struct CaptionCase {
  const char* caption;
  const char* expected;
};

class MnemonicCaptionTest : public testing::TestWithParam<CaptionCase> {};

TEST_P(MnemonicCaptionTest, Converts) { EXPECT_EQ(MnemonicCaption(GetParam().caption), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(Captions, MnemonicCaptionTest,
                         testing::Values(CaptionCase{"開始(&S)", "開始(_S)"}, CaptionCase{"&Exit", "_Exit"},
                                         CaptionCase{"Save && Quit", "Save & Quit"}, CaptionCase{"a_b", "a__b"},
                                         CaptionCase{"&_x", "__x"}, CaptionCase{"&&&X", "&_X"},
                                         CaptionCase{"end&", "end&"}, CaptionCase{"&終了", "_終了"},
                                         CaptionCase{"-", "-"}, CaptionCase{"", ""}));

}  // namespace
}  // namespace snx
