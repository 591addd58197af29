#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/core/controls.h"
#include "framework/core/form_description.h"
#include "framework/core/reader.h"
#include "tests/unit/fake_control_parent.h"
#include "tests/unit/urllink/fake_link_desktop.h"
#include "urllink/core/urllink.h"

namespace snx {
namespace {

// The dialog as stored, with portable stand-ins for its components; the
// links talk to a recording desktop. The dialog's own properties and
// handlers belong to the Win32 form and are left out.
class AboutDescriptionTest : public testing::Test {
 protected:
  // Puts each control on the stand-in window, as the form does.
  class DialogStandIn final : public TComponent {
   public:
    explicit DialogStandIn(TControlParent& window) : TComponent(nullptr), window_(window) {}
    void AddChildComponent(TComponent* child) override {
      if (auto* control = dynamic_cast<TControl*>(child)) control->SetParent(&window_);
    }

   private:
    TControlParent& window_;
  };

  void SetUp() override {
    std::ifstream file(SONALIX_ABOUT_DFM, std::ios::binary);
    ASSERT_TRUE(file) << SONALIX_ABOUT_DFM;
    std::ostringstream text;
    text << file.rdbuf();
    ObjectDescription description = ParseFormDescription(text.str());
    ASSERT_EQ(description.class_name, "TSNX_ABOUT");
    description.properties.clear();
    const ComponentClassTable classes{
        {"TLabel", Creates<TLabel>()},
        {"TImage", Creates<TImage>()},
        {"TURLLink", [this](TComponent* owner) -> TComponent* { return new TURLLink(owner, desktop_); }}};
    const MethodTable no_methods;
    TReader(description, classes, no_methods).ReadRootComponent(&dialog_);
  }

  TURLLink& Link(const char* name) {
    auto* link = dynamic_cast<TURLLink*>(dialog_.FindComponent(name));
    if (link == nullptr) throw std::runtime_error(std::string("no link ") + name);
    return *link;
  }
  // A left press in the middle of the link, through the window.
  std::vector<std::string> Press(TURLLink& link) {
    desktop_.opened.clear();
    EXPECT_TRUE(window_.MousePressed(TMouseButton::mbLeft, TShiftState(TShiftMember::ssLeft),
                                     link.Left() + link.Width() / 2, link.Top() + link.Height() / 2));
    return desktop_.opened;
  }

  FakeDesktop desktop_;
  FakeControlParent window_;
  DialogStandIn dialog_{window_};
};

// Both links keep tpURL: the mail link carries its own "mailto:", which a
// tpMAIL link would double.
TEST_F(AboutDescriptionTest, BothLinksAreQuietHandPointersThatOpenTheirLinkText) {
  for (const char* name : {"L_URL", "L_Email"}) {
    SCOPED_TRACE(name);
    TURLLink& link = Link(name);
    EXPECT_EQ(link.URLType(), TURLtype::tpURL);
    EXPECT_FALSE(link.EnableShowHint());
    EXPECT_TRUE(link.Transparent());
    EXPECT_EQ(link.Cursor(), TCursor::crHandPoint);
    EXPECT_EQ(Press(link), std::vector<std::string>{"OPEN|" + link.Link() + "|||5"});
    EXPECT_TRUE(desktop_.hint_log.empty());
  }
}

TEST_F(AboutDescriptionTest, TheWebLinkShowsWhatItOpens) {
  TURLLink& link = Link("L_URL");
  EXPECT_TRUE(link.Link().starts_with("http://")) << link.Link();
  EXPECT_EQ(link.Caption(), link.Link());
}

TEST_F(AboutDescriptionTest, TheMailLinkShowsTheBareAddressAndOpensItsMailtoTarget) {
  TURLLink& link = Link("L_Email");
  EXPECT_EQ(link.Link(), "mailto:" + link.Caption());
  EXPECT_EQ(link.Caption().find(':'), std::string::npos) << link.Caption();
  EXPECT_NE(link.Caption().find('@'), std::string::npos) << link.Caption();
  EXPECT_EQ(Press(link), std::vector<std::string>{"OPEN|mailto:" + link.Caption() + "|||5"});
}

}  // namespace
}  // namespace snx
