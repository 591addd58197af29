#include "framework/core/custom_form.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/core/application.h"
#include "framework/core/object.h"
#include "framework/core/published.h"

namespace snx {

class FormTestApplication : public TApplication {
 public:
  std::string ExeName() const override { return "Sonalix"; }
  void ProcessMessages() override {}
  TMenuItem* TrackPopupMenu(const TPopupMenu&, int, int) override { return nullptr; }
  void Terminate() override { ++terminations; }
  void ShowErrorBox(const std::string&, const std::string&) override {}
  using TApplication::SetMainForm;

  int terminations = 0;
};

// A window stand-in: shows and hides a flag; its modal loop runs the
// test's action once, then returns what Close left behind.
class TFakeForm : public TCustomForm {
 public:
  explicit TFakeForm(TComponent* owner) : TCustomForm(owner) {}

  bool Visible() const override { return visible; }
  void Show() override { visible = true; }
  void Hide() override {
    visible = false;
    ++hides;
  }
  int ShowModal() override {
    BeginModal();
    Show();
    if (during_modal) during_modal();
    visible = false;
    EndModal();
    return ModalResult();
  }
  void InvalidateClientRect(const TRect&) override {}
  TSize TextExtent(const TFont&, std::string_view) override { return {}; }
  std::unique_ptr<TListWindow> CreateListWindow(TCustomListBox&) override {
    throw std::logic_error("no list windows here");
  }
  void SetStayOnTop(bool) override {}
  void StartWindowDrag() override {}
  std::string_view StoredDescription(const char* class_name) override {
    if (std::string_view(class_name) != "TFakeForm") throw EReadError("nothing stored");
    return stored;
  }

  // Reads `text` as the description stored under the form's class name.
  void Read(std::string_view text) {
    static const TPublished<TFakeForm> kPublished{{"FormCreate", &TFakeForm::FormCreate}};
    stored = text;
    ReadDescription("TFakeForm", {}, kPublished.For(*this));
  }
  void FormCreate(TObject*) { ++creates; }
  using TCustomForm::BorderStyle;

  std::string_view stored;
  bool visible = false;
  int hides = 0;
  int creates = 0;
  std::function<void()> during_modal;
};

namespace {

struct CloseCase {
  const char* name;
  bool main;
  TCloseAction action;
  int terminations;
  int hides;
};

class CloseTest : public testing::TestWithParam<CloseCase> {
 protected:
  FormTestApplication application_;
};

TEST_P(CloseTest, OnCloseDecidesAndTheMainFormsCloseEndsTheProgram) {
  auto* form = new TFakeForm(&application_);
  if (GetParam().main) application_.SetMainForm(form);
  form->Show();
  int asked = 0;
  form->OnClose = [&](TObject* sender, TCloseAction& action) {
    EXPECT_EQ(sender, form);
    EXPECT_EQ(action, TCloseAction::caHide);
    action = GetParam().action;
    ++asked;
  };
  form->Close();
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(application_.terminations, GetParam().terminations);
  EXPECT_EQ(form->hides, GetParam().hides);
}

INSTANTIATE_TEST_SUITE_P(Actions, CloseTest,
                         testing::Values(CloseCase{"MainHides", true, TCloseAction::caHide, 1, 0},
                                         CloseCase{"MainFrees", true, TCloseAction::caFree, 1, 0},
                                         CloseCase{"MainRefuses", true, TCloseAction::caNone, 0, 0},
                                         CloseCase{"OtherHides", false, TCloseAction::caHide, 0, 1},
                                         CloseCase{"OtherRefuses", false, TCloseAction::caNone, 0, 0},
                                         CloseCase{"OtherFrees", false, TCloseAction::caFree, 0, 0}),
                         [](const testing::TestParamInfo<CloseCase>& param_info) { return param_info.param.name; });

TEST(CustomFormTest, CloseInsideTheModalLoopEndsItWithCancelWithoutAskingOnClose) {
  FormTestApplication application;
  auto* form = new TFakeForm(&application);
  application.SetMainForm(form);
  bool asked = false;
  form->OnClose = [&](TObject*, TCloseAction&) { asked = true; };
  form->during_modal = [&] { form->Close(); };
  EXPECT_EQ(form->ShowModal(), 2);
  EXPECT_FALSE(asked);
  EXPECT_EQ(application.terminations, 0);
  // Once the loop is over, closing asks again.
  form->Close();
  EXPECT_TRUE(asked);
}

// A box shown for a form while another is modal belongs to the modal one,
// the innermost when one modal form shows another.
TEST(CustomFormTest, ABoxBelongsToTheInnermostModalFormWhileOneIsUp) {
  FormTestApplication application;
  auto* strip = new TFakeForm(&application);
  auto* dialog = new TFakeForm(&application);
  auto* inner = new TFakeForm(&application);
  std::vector<TCustomForm*> owners;
  const auto seen = [&] { owners.push_back(application.BoxOwner(strip)); };
  inner->during_modal = seen;
  dialog->during_modal = [&] {
    seen();
    inner->ShowModal();
    seen();
  };
  seen();
  dialog->ShowModal();
  seen();
  EXPECT_EQ(owners, (std::vector<TCustomForm*>{strip, dialog, inner, dialog, strip}));
  EXPECT_EQ(application.ModalForm(), nullptr);
}

TEST(CustomFormTest, OldCreateOrderRunsOnCreateWhileReadingOtherwiseAfterConstruction) {
  FormTestApplication application;
  for (const bool old_order : {true, false}) {
    auto* form = new TFakeForm(&application);
    form->Read(std::string("object F: TFakeForm\n  OldCreateOrder = ") + (old_order ? "True" : "False") +
               "\n  OnCreate = FormCreate\nend\n");
    EXPECT_EQ(form->creates, old_order ? 1 : 0);
    form->AfterConstruction();
    EXPECT_EQ(form->creates, 1) << "old order " << old_order;
  }
}

TEST(CustomFormTest, ReadsPlaceSizeLooksAndRefusesAnUnknownBorderStyle) {
  FormTestApplication application;
  auto* form = new TFakeForm(&application);
  form->Read(
      "object F: TFakeForm\n  Left = 474\n  Top = 653\n  BorderStyle = bsNone\n  Caption = 'Sonalix'\n"
      "  ClientHeight = 26\n  ClientWidth = 274\n  Color = clBlack\n  Font.Height = -12\n"
      "  Font.Name = 'ＭＳ Ｐゴシック'\n  PixelsPerInch = 96\n  TextHeight = 12\nend\n");
  EXPECT_EQ(form->Left(), 474);
  EXPECT_EQ(form->Top(), 653);
  EXPECT_EQ(form->ClientWidth(), 274);
  EXPECT_EQ(form->ClientHeight(), 26);
  EXPECT_EQ(form->Caption(), "Sonalix");
  EXPECT_EQ(form->Color(), clBlack);
  EXPECT_EQ(form->Font().Name(), "ＭＳ Ｐゴシック");
  EXPECT_EQ(form->BorderStyle(), TFormBorderStyle::bsNone);

  auto* other = new TFakeForm(&application);
  EXPECT_THROW(other->Read("object F: TFakeForm\n  BorderStyle = bsRound\nend\n"), EReadError);
}

}  // namespace
}  // namespace snx
