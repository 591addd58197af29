#include "main/core/main_settings.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace snx {
namespace {

// The file's text under each "Section/Key"; a missing entry is a missing key.
class StoredSettings final : public TCustomIniFile {
 public:
  StoredSettings() : TCustomIniFile("Sonalix.ini") {}
  std::string ReadString(const std::string& section, const std::string& key, const std::string& fallback) override {
    const auto found = values.find(section + "/" + key);
    return found == values.end() ? fallback : found->second;
  }
  void WriteString(const std::string& section, const std::string& key, const std::string& value) override {
    values[section + "/" + key] = value;
    touched.push_back(key);
  }
  void DeleteKey(const std::string& section, const std::string& key) override {
    values.erase(section + "/" + key);
    touched.push_back("-" + key);
  }

  std::map<std::string, std::string> values;
  // Each key written, and each deleted ("-" before it), in order.
  std::vector<std::string> touched;
};

struct ReadCase {
  const char* name;
  std::map<std::string, std::string> stored;
  MainSettings expected;
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

class ReadMainSettingsTest : public testing::TestWithParam<ReadCase> {};

TEST_P(ReadMainSettingsTest, ReadsTheThreeKeysOfMainWithTheirDefaults) {
  StoredSettings ini;
  ini.values = GetParam().stored;
  const MainSettings read = ReadMainSettings(ini);
  EXPECT_EQ(read.left, GetParam().expected.left);
  EXPECT_EQ(read.top, GetParam().expected.top);
  EXPECT_EQ(read.stay_on_top, GetParam().expected.stay_on_top);
  EXPECT_EQ(read.device, GetParam().expected.device);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReadMainSettingsTest,
    testing::Values(
        ReadCase{"Empty", {}, {300, 300, false, ""}},
        ReadCase{
            "AllThree", {{"Main/MainX", "-1280"}, {"Main/MainY", "0x40"}, {"Main/Top", "1"}}, {-1280, 64, true, ""}},
        ReadCase{"AnyNonZeroTopIsOnTop", {{"Main/Top", "7"}}, {300, 300, true, ""}},
        ReadCase{"ZeroTop", {{"Main/Top", "0"}}, {300, 300, false, ""}},
        ReadCase{
            "NotNumbers", {{"Main/MainX", "left"}, {"Main/MainY", "12px"}, {"Main/Top", "yes"}}, {300, 300, false, ""}},
        ReadCase{
            "OtherSection", {{"Other/MainX", "5"}, {"Other/Top", "1"}, {"Other/Device", "Mic"}}, {300, 300, false, ""}},
        ReadCase{"ChosenDevice", {{"Main/Device", "USB Mic & Line"}}, {300, 300, false, "USB Mic & Line"}},
        ReadCase{"EmptyDeviceIsTheDefault", {{"Main/Device", ""}}, {300, 300, false, ""}}),
    [](const testing::TestParamInfo<ReadCase>& param_info) { return std::string(param_info.param.name); });

TEST(MainSettingsTest, WritesDecimalPositionsAndTopAsOneOrZeroThatReadBack) {
  StoredSettings ini;
  WriteMainSettings(ini, MainSettings{-20, 0x40, true, ""});
  EXPECT_EQ(ini.values,
            (std::map<std::string, std::string>{{"Main/MainX", "-20"}, {"Main/MainY", "64"}, {"Main/Top", "1"}}));
  WriteMainSettings(ini, MainSettings{300, 300, false, ""});
  EXPECT_EQ(ini.values["Main/Top"], "0");
  const MainSettings read = ReadMainSettings(ini);
  EXPECT_EQ(read.left, 300);
  EXPECT_FALSE(read.stay_on_top);
}

TEST(MainSettingsTest, TheDefaultInputLeavesNoKeyAndTouchesNoneThatWasNeverWritten) {
  StoredSettings ini;
  WriteMainSettings(ini, MainSettings{1, 2, false, ""});
  EXPECT_EQ(ini.touched, (std::vector<std::string>{"MainX", "MainY", "Top"}));

  ini.touched.clear();
  WriteMainSettings(ini, MainSettings{1, 2, false, "alsa_input.usb-mic"});
  EXPECT_EQ(ini.touched, (std::vector<std::string>{"MainX", "MainY", "Top", "Device"}));
  EXPECT_EQ(ReadMainSettings(ini).device, "alsa_input.usb-mic");

  // Back to the default: the key goes, and the file reads as one that never had it.
  ini.touched.clear();
  WriteMainSettings(ini, MainSettings{1, 2, false, ""});
  EXPECT_EQ(ini.touched, (std::vector<std::string>{"MainX", "MainY", "Top", "-Device"}));
  EXPECT_EQ(ini.values.count("Main/Device"), 0u);
}

TEST(MainSettingsTest, TheFileLiesBesideTheProgram) {
  EXPECT_EQ(SettingsPath(R"(C:\Program Files\Sonalix\Sonalix.exe)"), R"(C:\Program Files\Sonalix\Sonalix.ini)");
  EXPECT_EQ(SettingsPath("/opt/sonalix/sonalix"), "/opt/sonalix/Sonalix.ini");
  EXPECT_EQ(SettingsPath("Sonalix.exe"), "Sonalix.ini");
}

}  // namespace
}  // namespace snx
