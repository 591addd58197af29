#include "framework/core/reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/menu.h"

namespace snx {
namespace {

std::vector<std::string>* LoadedLog = nullptr;

class Widget : public TComponent {
 public:
  explicit Widget(TComponent* owner) : TComponent(owner) {}
  std::string caption;
  int height = 0;
  bool bold = false;
  std::vector<std::uint8_t> data;
  TComponent* buddy = nullptr;
  bool loading_while_read = false;
  TNotifyEvent OnPoke;

  bool ReadProperty(std::string_view name, const PropertyValue& v, TReader& r) override {
    loading_while_read = IsLoading();
    if (name == "Caption")
      caption = v.AsString();
    else if (name == "Font.Height")
      height = v.AsInteger();
    else if (name == "Font.Style")
      bold = v.HasMember("fsBold");
    else if (name == "Picture.Data")
      data = v.bytes;
    else if (name == "Buddy")
      r.DeferReference(v, [this](TComponent* c) { buddy = c; });
    else if (name == "OnPoke")
      OnPoke = r.Method<TNotifyEvent>(v);
    else
      return TComponent::ReadProperty(name, v, r);
    return true;
  }
  void Loaded() override {
    TComponent::Loaded();
    LoadedLog->push_back("loaded " + Name() + (buddy ? " buddy=" + buddy->Name() : ""));
  }
};

class Form : public TComponent {
 public:
  Form() : TComponent(nullptr) {}
  Widget* first = nullptr;
  TPopupMenu* menu = nullptr;
  std::vector<std::string> pokes;
  void Poke(TObject*) { pokes.emplace_back("poke"); }
  void Move(TObject*, TShiftState, int, int) {}
  void Loaded() override {
    TComponent::Loaded();
    LoadedLog->emplace_back("loaded form");
  }
};

// The handlers alone, and the handlers with fields that must be bound.
const TPublished<Form> kHandlers{{"Poke", &Form::Poke}, {"Move", &Form::Move}};
const TPublished<Form> kFieldsAndHandlers{
    {"First", &Form::first}, {"Menu", &Form::menu}, {"Poke", &Form::Poke}, {"Move", &Form::Move}};

class ReaderTest : public ::testing::Test {
 protected:
  void SetUp() override { LoadedLog = &log_; }
  void TearDown() override { LoadedLog = nullptr; }

  void Read(const char* text, const TPublished<Form>& published = kHandlers) {
    ObjectDescription d = ParseFormDescription(text);
    TReader reader(d, classes_, published.For(form_));
    reader.ReadRootComponent(&form_);
  }

  std::vector<std::string> log_;
  Form form_;
  ComponentClassTable classes_{
      {"TWidget", [](TComponent* o) { return new Widget(o); }},
      {"TPopupMenu", [](TComponent* o) { return new TPopupMenu(o); }},
      {"TMenuItem", [](TComponent* o) { return new TMenuItem(o); }},
  };
};

TEST_F(ReaderTest, CreatesComponentsSetsValuesAndResolvesForwardReferences) {
  Read(R"(object Main: TForm
  object Menu: TPopupMenu
  end
  object First: TWidget
    Caption = 'It''s 開始'
    Font.Height = -12
    Font.Style = [fsBold, fsUnderline]
    Picture.Data = {
      424D 00FF}
    Buddy = Second
    OnPoke = Poke
    Tag = 7
  end
  object Second: TWidget
    Buddy = Main
  end
end)",
       kFieldsAndHandlers);
  ASSERT_NE(form_.first, nullptr);
  EXPECT_EQ(form_.menu, form_.FindComponent("Menu"));
  EXPECT_EQ(form_.first->Owner(), &form_);
  EXPECT_EQ(form_.first->caption, "It's 開始");
  EXPECT_EQ(form_.first->height, -12);
  EXPECT_TRUE(form_.first->bold);
  EXPECT_EQ(form_.first->data, (std::vector<std::uint8_t>{0x42, 0x4D, 0x00, 0xFF}));
  EXPECT_EQ(form_.first->Tag(), 7);
  EXPECT_TRUE(form_.first->loading_while_read);
  EXPECT_FALSE(form_.first->IsLoading());
  ASSERT_TRUE(form_.first->OnPoke);
  form_.first->OnPoke(form_.first);
  EXPECT_EQ(form_.pokes.size(), 1u);
  // Loaded runs after every reference is resolved, the root first.
  EXPECT_EQ(log_, (std::vector<std::string>{"loaded form", "loaded First buddy=Second", "loaded Second buddy=Main"}));
}

struct Refusal {
  const char* what;
  const char* text;
  const char* named;  // what the error must name
};

class PublishedFieldTest : public ReaderTest, public testing::WithParamInterface<Refusal> {};

TEST_P(PublishedFieldTest, DescriptionThatLeavesAFieldWithoutItsComponentIsRefused) {
  try {
    Read(GetParam().text, kFieldsAndHandlers);
    FAIL() << "no error";
  } catch (const EReadError& e) {
    EXPECT_NE(std::string(e.what()).find(GetParam().named), std::string::npos) << e.what();
  }
  EXPECT_TRUE(log_.empty()) << "nothing may be told it is loaded";
}

INSTANTIATE_TEST_SUITE_P(
    Descriptions, PublishedFieldTest,
    testing::Values(Refusal{"Missing", "object Main: TForm\n  object Menu: TPopupMenu\n  end\nend", "field First"},
                    Refusal{
                        "WrongClass",
                        "object Main: TForm\n  object Menu: TPopupMenu\n  end\n  object First: TMenuItem\n  end\nend",
                        "field First cannot hold a TMenuItem"},
                    Refusal{"Duplicate",
                            "object Main: TForm\n  object First: TWidget\n  end\n  object Menu: TPopupMenu\n"
                            "    object First: TMenuItem\n    end\n  end\nend",
                            "two components named First"},
                    Refusal{"NamedAsTheRoot",
                            "object Main: TForm\n  object First: TWidget\n  end\n  object Menu: TPopupMenu\n  end\n"
                            "  object Main: TWidget\n  end\nend",
                            "two components named Main"}),
    [](const testing::TestParamInfo<Refusal>& param) { return std::string(param.param.what); });

TEST_F(ReaderTest, ManyComponentsWithReferencesAreReadWithoutAPassPerComponent) {
  std::string text = "object Main: TForm\n";
  for (int i = 0; i < 20000; ++i) text += "  object W" + std::to_string(i) + ": TWidget\n    Buddy = W0\n  end\n";
  text += "end\n";
  Read(text.c_str());
  EXPECT_EQ(form_.ComponentCount(), 20000);
}

TEST_F(ReaderTest, MenuItemsNestInTheirMenuInOrder) {
  Read(R"(object Main: TForm
  object Menu: TPopupMenu
    object A: TMenuItem
      Caption = 'A'
      Checked = True
    end
    object N: TMenuItem
      Caption = '-'
    end
  end
end)");
  auto* menu = dynamic_cast<TPopupMenu*>(form_.FindComponent("Menu"));
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->Items().Count(), 2);
  EXPECT_EQ(menu->Items().Items(0)->Caption(), "A");
  EXPECT_TRUE(menu->Items().Items(0)->Checked());
  EXPECT_TRUE(menu->Items().Items(1)->IsSeparator());

  // The items belong to the form: a menu freed first leaves them without a
  // parent, so that freeing them later touches nothing that has gone.
  TMenuItem* item = menu->Items().Items(0);
  delete menu;
  EXPECT_EQ(item->Parent(), nullptr);
  delete item;
}

TEST_F(ReaderTest, BadDescriptionsRaiseReadErrors) {
  const char* bad[] = {
      "object Main: TForm\n  object X: TNoSuchClass\n  end\nend",
      "object Main: TForm\n  object X: TWidget\n    Colour = clRed\n  end\nend",
      "object Main: TForm\n  object X: TWidget\n    Buddy = Nobody\n  end\nend",
      "object Main: TForm\n  object X: TWidget\n    OnPoke = Move\n  end\nend",
      "object Main: TForm\n  object X: TWidget\n    Caption = 12\n  end\nend",
      "object Main: TForm\n  object X: TWidget\n    Caption = 'open\n  end\nend",
      "object Main: TForm\n  object X: TWidget\n    Picture.Data = {ABC}\n  end\nend",
      "object Main: TForm\n",
      "object Main: TForm\nend\nobject Second: TForm\nend",
  };
  for (const char* text : bad) {
    SCOPED_TRACE(text);
    Form fresh;
    ObjectDescription d;
    EXPECT_THROW(
        {
          d = ParseFormDescription(text);
          TReader reader(d, classes_, kHandlers.For(fresh));
          reader.ReadRootComponent(&fresh);
        },
        EReadError);
  }
}

std::string Nested(int depth) {
  std::string text;
  for (int i = 0; i < depth; ++i) text += "object O" + std::to_string(i) + ": TWidget\n";
  for (int i = 0; i < depth; ++i) text += "end\n";
  return text;
}

TEST(FormDescriptionTest, NestingDeeperThanTheLimitIsAnErrorNotAStackOverflow) {
  EXPECT_EQ(ParseFormDescription(Nested(kMaxObjectDepth)).children.size(), 1u);
  for (int depth : {kMaxObjectDepth + 1, 5000}) {
    try {
      ParseFormDescription(Nested(depth));
      FAIL() << "no error at depth " << depth;
    } catch (const EReadError& e) {
      const std::string line = "line " + std::to_string(kMaxObjectDepth + 1) + ":";
      EXPECT_NE(std::string(e.what()).find(line), std::string::npos) << e.what();
    }
  }
}

TEST(FormDescriptionTest, IntegersKeepTheirRange) {
  const ObjectDescription d =
      ParseFormDescription("object A: B\n  Low = -2147483648\n  High = 4294967295\n  Max = 2147483647\nend");
  EXPECT_EQ(d.properties[0].second.AsInteger(), INT32_MIN);
  EXPECT_THROW(d.properties[1].second.AsInteger(), EReadError);  // a colour pattern, no integer
  EXPECT_EQ(d.properties[1].second.integer, 4294967295);
  EXPECT_EQ(d.properties[2].second.AsInteger(0, INT32_MAX), INT32_MAX);
  EXPECT_THROW(d.properties[2].second.AsInteger(0, 255), EReadError);
  EXPECT_THROW(ParseFormDescription("object A: B\n  Low = -2147483649\nend"), EReadError);
  EXPECT_THROW(ParseFormDescription("object A: B\n  High = 4294967296\nend"), EReadError);
}

TEST(FormDescriptionTest, ErrorsNameTheLine) {
  try {
    ParseFormDescription("object A: B\n  X = 1\n  Y = \nend");
    FAIL() << "no error";
  } catch (const EReadError& e) {
    EXPECT_NE(std::string(e.what()).find("line 4"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace snx
