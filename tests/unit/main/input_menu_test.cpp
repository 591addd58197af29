#include "main/core/input_menu.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace snx {
namespace {

// The rows as a person reads them: "+" before a checked one.
std::vector<std::string> Rows(const TMenuItem& submenu) {
  std::vector<std::string> rows;
  for (int i = 0; i < submenu.Count(); ++i) {
    const TMenuItem* item = submenu.Items(i);
    rows.push_back((item->Checked() ? "+" : "") + item->Caption());
  }
  return rows;
}

class InputMenuTest : public testing::Test {
 protected:
  // The rows' owner, as the strip owns its menu's.
  TComponent owner_{nullptr};
  TMenuItem* submenu_ = new TMenuItem(&owner_);
  std::vector<std::string> chosen_;
  TInputMenu menu_{*submenu_, [this](const std::string& id) { chosen_.push_back(id); }};
};

struct RowsCase {
  const char* name;
  std::vector<TInputDevice> devices;
  std::string chosen;
  std::vector<std::string> rows;
};

void PrintTo(const RowsCase& c, std::ostream* os) { *os << c.name; }

class InputMenuRowsTest : public InputMenuTest, public testing::WithParamInterface<RowsCase> {};

TEST_P(InputMenuRowsTest, ShowsTheDefaultASeparatorAndEachDeviceWithTheChoiceChecked) {
  menu_.Update(GetParam().devices, GetParam().chosen);
  EXPECT_EQ(Rows(*submenu_), GetParam().rows);
  // Only the separator is one; a device called "-" is a row like the others.
  for (int i = 0; i < submenu_->Count(); ++i) EXPECT_EQ(submenu_->Items(i)->IsSeparator(), i == 1) << i;
}

const std::vector<TInputDevice> kTwo{{"mic", "Microphone (USB)"}, {"line", "Line In"}};

INSTANTIATE_TEST_SUITE_P(
    Lists, InputMenuRowsTest,
    testing::Values(RowsCase{"NoDevices", {}, "", {"+既定の入力", "-"}},
                    RowsCase{"DefaultChosen", kTwo, "", {"+既定の入力", "-", "Microphone (USB)", "Line In"}},
                    RowsCase{"SecondChosen", kTwo, "line", {"既定の入力", "-", "Microphone (USB)", "+Line In"}},
                    // Names are data: an & shows as itself, "-" as a dash.
                    RowsCase{"NamesAreShownAsTheyAre",
                             {{"a", "Tom & Jerry"}, {"b", "-"}, {"c", "&&"}},
                             "a",
                             {"既定の入力", "-", "+Tom && Jerry", "&-", "&&&&"}},
                    // Gone for now: the menu still says what is chosen, not the default.
                    RowsCase{"ChosenDeviceAway",
                             kTwo,
                             "usb & mic",
                             {"既定の入力", "-", "Microphone (USB)", "Line In", "+usb && mic"}}),
    [](const testing::TestParamInfo<RowsCase>& param_info) { return std::string(param_info.param.name); });

TEST_F(InputMenuTest, EachRowChoosesItsDeviceByIdAndTheSeparatorNothing) {
  menu_.Update(kTwo, "");
  for (int i = 0; i < submenu_->Count(); ++i) submenu_->Items(i)->Click();
  EXPECT_EQ(chosen_, (std::vector<std::string>{"", "mic", "line"}));
}

TEST_F(InputMenuTest, RowsFollowTheListAsItChangesAndStayWhenItDoesNot) {
  menu_.Update(kTwo, "line");
  const TMenuItem* line = submenu_->Items(3);
  menu_.Update(kTwo, "line");
  EXPECT_EQ(submenu_->Items(3), line);

  // The line input unplugged, another plugged in.
  menu_.Update({{"mic", "Microphone (USB)"}, {"hdmi", "HDMI"}}, "line");
  EXPECT_EQ(Rows(*submenu_), (std::vector<std::string>{"既定の入力", "-", "Microphone (USB)", "HDMI", "+line"}));
  menu_.Update(kTwo, "line");
  EXPECT_EQ(Rows(*submenu_), (std::vector<std::string>{"既定の入力", "-", "Microphone (USB)", "+Line In"}));
  // The rows made before are gone with their owner's count.
  EXPECT_EQ(owner_.ComponentCount(), 1 + submenu_->Count());
}

}  // namespace
}  // namespace snx
