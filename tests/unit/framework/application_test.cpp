#include "framework/core/application.h"

#include <gtest/gtest.h>

#include "framework/core/menu.h"

namespace snx {
namespace {

class FakeApplication : public TApplication {
 public:
  std::string ExeName() const override { return "C:\\Sonalix.exe"; }
  void ProcessMessages() override {}
  void Terminate() override {}
  TMenuItem* TrackPopupMenu(const TPopupMenu& menu, int x, int y) override {
    shown_at = {x, y};
    return chosen < 0 ? nullptr : menu.Items().Items(chosen);
  }
  void ShowErrorBox(const std::string& text, const std::string& caption) override {
    boxes.push_back(caption + "|" + text);
  }
  std::pair<int, int> shown_at{-1, -1};
  int chosen = -1;
  std::vector<std::string> boxes;
};

TEST(ApplicationTest, ErrorBoxAppendsAPeriodAfterCharactersThatSortAfterIt) {
  EXPECT_EQ(TApplication::ErrorBoxText("abc"), "abc.");
  EXPECT_EQ(TApplication::ErrorBoxText("abc."), "abc.");
  EXPECT_EQ(TApplication::ErrorBoxText("wait!"), "wait!");
  EXPECT_EQ(TApplication::ErrorBoxText(""), "");
  EXPECT_EQ(TApplication::ErrorBoxText("登録できません。"), "登録できません。.");
}

TEST(ApplicationTest, HandleExceptionShowsMessageWithTitleAndAnythingElseAsEmpty) {
  FakeApplication app;
  app.SetTitle("Sonalix 100115");
  app.HandleException(std::make_exception_ptr(Exception("タイマーを取得できません")));
  app.HandleException(std::make_exception_ptr(42));
  EXPECT_EQ(app.boxes, (std::vector<std::string>{"Sonalix 100115|タイマーを取得できません.", "Sonalix 100115|"}));
}

TEST(ApplicationTest, PopupRunsTheChosenItemsHandlerAfterTheMenuCloses) {
  FakeApplication app;
  TComponent form(&app);
  TPopupMenu menu(&form);
  auto* start = new TMenuItem(&menu);
  auto* stop = new TMenuItem(&menu);
  menu.Items().Add(start);
  menu.Items().Add(stop);
  int clicks = 0;
  stop->OnClick = [&](TObject* sender) {
    EXPECT_EQ(sender, stop);
    ++clicks;
  };
  app.chosen = 1;
  menu.Popup(310, 320);
  app.chosen = -1;
  menu.Popup(0, 0);
  EXPECT_EQ(app.shown_at, std::make_pair(0, 0));
  EXPECT_EQ(clicks, 1);
}

TEST(ApplicationTest, ASecondApplicationWhileOneLivesIsRefused) {
  {
    FakeApplication first;
    EXPECT_THROW(FakeApplication second, std::logic_error);
    EXPECT_EQ(&Application(), &first);
  }
  EXPECT_THROW(Application(), std::logic_error);
  FakeApplication next;  // once the first has gone
  EXPECT_EQ(&Application(), &next);
}

TEST(ApplicationTest, ComponentsReachTheApplicationThroughTheirOwners) {
  FakeApplication app;
  TComponent form(&app);
  TComponent menu(&form);
  TComponent unowned(nullptr);
  EXPECT_EQ(&ApplicationOf(&menu), &app);
  EXPECT_EQ(&ApplicationOf(&app), &app);
  EXPECT_THROW(ApplicationOf(&unowned), std::logic_error);
  EXPECT_THROW(ApplicationOf(nullptr), std::logic_error);
}

}  // namespace
}  // namespace snx
