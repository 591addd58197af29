// The strip window on its own: built from its description by an application,
// without the version dialog or the rest of the program.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/core/form_description.h"
#include "framework/platform.h"
#include "kMainFormText.h"
#include "main/snx_main.h"
#include "main/strip_platform.h"

namespace snx {
namespace {

class MainFormTest : public testing::Test {
 protected:
  MainFormTest() {
    application_.SetTitle("Sonalix 100115");
    application_.CreateForm(strip_, *platform_);
  }

  const std::unique_ptr<TStripPlatform> platform_ = NativeStripPlatform();
  TPlatformApplication application_;
  TSNX_MAIN* strip_ = nullptr;
};

// A row of the strip's menu as its form description gives it.
struct DescribedRow {
  std::string name, caption;
  bool handled;
};

std::vector<DescribedRow> DescribedMenuRows() {
  const ObjectDescription strip = ParseFormDescription(kMainFormText);
  std::vector<DescribedRow> rows;
  for (const ObjectDescription& child : strip.children) {
    if (child.class_name != "TPopupMenu") continue;
    for (const ObjectDescription& item : child.children) {
      DescribedRow row{item.name, "", false};
      for (const auto& [name, value] : item.properties) {
        if (name == "Caption") row.caption = value.AsString();
        if (name == "OnClick") row.handled = true;
      }
      rows.push_back(row);
    }
  }
  return rows;
}

TEST_F(MainFormTest, MenuRowsAreBoundInTheirOrderWithTheirHandlers) {
  const std::vector<DescribedRow> rows = DescribedMenuRows();
  ASSERT_NE(strip_->PopupMenu, nullptr);
  const TMenuItem& items = strip_->PopupMenu->Items();
  ASSERT_EQ(items.Count(), static_cast<int>(rows.size()));
  ASSERT_GT(items.Count(), 0);
  for (int i = 0; i < items.Count(); ++i) {
    const DescribedRow& row = rows[static_cast<std::size_t>(i)];
    SCOPED_TRACE(row.name);
    const TMenuItem* item = items.Items(i);
    EXPECT_EQ(item, strip_->FindComponent(row.name));
    EXPECT_EQ(item->Caption(), row.caption);
    EXPECT_EQ(static_cast<bool>(item->OnClick), row.handled);
  }
  // Each published item is the one of its name.
  for (const TMenuItem* member : {strip_->PM_Start, strip_->PM_Stop, strip_->PM_Input, strip_->PM_N01, strip_->PM_Top,
                                  strip_->PM_N02, strip_->PM_About, strip_->PM_N03, strip_->PM_Exit}) {
    ASSERT_NE(member, nullptr);
    EXPECT_EQ(member, strip_->FindComponent(member->Name()));
    EXPECT_EQ(member->Parent(), &items);
  }
}

TEST_F(MainFormTest, TimerAndTrayIconAreBoundAndTheCaptionIsTheTitle) {
  EXPECT_EQ(strip_->Caption(), "Sonalix 100115");
  ASSERT_NE(strip_->Timer, nullptr);
  EXPECT_FALSE(strip_->Timer->Enabled());
  EXPECT_EQ(strip_->Timer->Interval(), 10u);
  EXPECT_TRUE(strip_->Timer->OnTimer);
  ASSERT_NE(strip_->TrayIcon, nullptr);
  EXPECT_EQ(strip_->TrayIcon->RBPopupMenu(), strip_->PopupMenu);
  EXPECT_EQ(strip_->TrayIcon->TipHelp(), "Sonalix");
}

TEST_F(MainFormTest, VersionCommandShowsThePluggedInDialogModallyAtTheTopLeft) {
  strip_->PM_About->Click();  // nothing plugged in yet: nothing to show

  TForm* dialog = nullptr;
  application_.CreateForm(dialog);
  dialog->SetLeft(200);
  dialog->SetTop(150);
  int shows = 0;
  TPoint shown_at{-1, -1};
  // Where it is asked to show; a window manager may then keep it clear of a panel.
  dialog->OnShow = [&](TObject*) {
    ++shows;
    shown_at = {dialog->Left(), dialog->Top()};
  };
  strip_->SetAboutDialog(dialog);
  // Ticking in the modal loop, so the dialog closes once it is up.
  TPlatformTimer closer(nullptr);
  closer.OnTimer = [&](TObject*) {
    closer.SetEnabled(false);
    dialog->Close();
  };
  closer.SetInterval(10);
  strip_->PM_About->Click();
  EXPECT_EQ(shows, 1);
  EXPECT_FALSE(dialog->Visible());
  EXPECT_EQ(shown_at.x, 0);
  EXPECT_EQ(shown_at.y, 0);
}

}  // namespace
}  // namespace snx
