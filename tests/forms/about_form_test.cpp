// The version dialog on its own, with a plain form as the application's main
// form in place of the strip.
#include <gtest/gtest.h>

#include "about/snx_about.h"
#include "framework/platform.h"

namespace snx {
namespace {

class AboutFormTest : public testing::Test {
 protected:
  AboutFormTest() {
    application_.SetTitle("Sonalix 100115");
    application_.CreateForm(main_form_);
    main_form_->SetCaption("Sonalix 100115");
    application_.CreateForm(about_);
  }

  TPlatformApplication application_;
  TForm* main_form_ = nullptr;
  TSNX_ABOUT* about_ = nullptr;
};

TEST_F(AboutFormTest, IsBuiltHiddenFromItsDescriptionWithEveryPublishedMemberBound) {
  EXPECT_EQ(about_->Caption(), "バージョン情報");
  EXPECT_FALSE(about_->Visible());
  EXPECT_NE(about_->Label1, nullptr);
  EXPECT_NE(about_->Label3, nullptr);
  EXPECT_NE(about_->IMG, nullptr);
  EXPECT_NE(about_->L_URL, nullptr);
  EXPECT_NE(about_->L_Email, nullptr);
  EXPECT_TRUE(about_->OnShow);
}

TEST_F(AboutFormTest, EveryShowTitlesItWithTheMainFormsCaptionOfThatMoment) {
  about_->Show();
  EXPECT_EQ(about_->Label1->Caption(), "Sonalix 100115");
  about_->Hide();
  main_form_->SetCaption("Sonalix 200001");
  about_->Show();
  EXPECT_EQ(about_->Label1->Caption(), "Sonalix 200001");
}

}  // namespace
}  // namespace snx
