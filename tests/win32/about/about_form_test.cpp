// The version dialog on its own, with a plain form as the application's main
// form in place of the strip.
#include <gtest/gtest.h>

#include "about/win32/snx_about.h"
#include "framework/win32/application.h"

namespace snx {
namespace {

class AboutFormTest : public testing::Test {
 protected:
  AboutFormTest() {
    application.SetTitle("Sonalix 100115");
    application.CreateForm(main_form);
    main_form->SetCaption("Sonalix 100115");
    application.CreateForm(about);
  }

  TWin32Application application;
  TForm* main_form = nullptr;
  TSNX_ABOUT* about = nullptr;
};

TEST_F(AboutFormTest, IsBuiltHiddenFromItsDescriptionWithEveryPublishedMemberBound) {
  EXPECT_EQ(about->Caption(), "バージョン情報");
  EXPECT_FALSE(about->Visible());
  EXPECT_NE(about->Label1, nullptr);
  EXPECT_NE(about->Label3, nullptr);
  EXPECT_NE(about->IMG, nullptr);
  EXPECT_NE(about->L_URL, nullptr);
  EXPECT_NE(about->L_Email, nullptr);
  EXPECT_TRUE(about->OnShow);
}

TEST_F(AboutFormTest, EveryShowTitlesItWithTheMainFormsCaptionOfThatMoment) {
  about->Show();
  EXPECT_EQ(about->Label1->Caption(), "Sonalix 100115");
  about->Hide();
  main_form->SetCaption("Sonalix 200001");
  about->Show();
  EXPECT_EQ(about->Label1->Caption(), "Sonalix 200001");
}

}  // namespace
}  // namespace snx
