#include "framework/core/ini_file.h"

#include <gtest/gtest.h>

#include <map>

namespace snx {
namespace {

struct ParseCase {
  const char* text;
  std::optional<std::int32_t> expected;
};

class ParseIniIntegerTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseIniIntegerTest, Parses) { EXPECT_EQ(ParseIniInteger(GetParam().text), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Table, ParseIniIntegerTest,
    ::testing::Values(ParseCase{"300", 300}, ParseCase{"-25", -25}, ParseCase{"+7", 7}, ParseCase{"0x40", 64},
                      ParseCase{"0X1f", 31}, ParseCase{"0xFFFFFFFF", -1}, ParseCase{"-0x10", std::nullopt},
                      ParseCase{"+0x10", std::nullopt}, ParseCase{"-0x80000001", std::nullopt},
                      ParseCase{"-0xFFFFFFFF", std::nullopt}, ParseCase{"2147483647", 2147483647},
                      ParseCase{"-2147483648", INT32_MIN}, ParseCase{"2147483648", std::nullopt},
                      ParseCase{"0x100000000", std::nullopt}, ParseCase{"", std::nullopt}, ParseCase{"-", std::nullopt},
                      ParseCase{"0x", std::nullopt}, ParseCase{"abc", std::nullopt}, ParseCase{"12abc", std::nullopt},
                      ParseCase{"$40", std::nullopt}, ParseCase{"1.5", std::nullopt}, ParseCase{"0x4G", std::nullopt}));

class MemoryIni : public TCustomIniFile {
 public:
  MemoryIni() : TCustomIniFile("C:\\x\\Sonalix.ini") {}
  std::map<std::string, std::string> values;
  bool fail_writes = false;
  std::string ReadString(const std::string& section, const std::string& key, const std::string& fallback) override {
    auto it = values.find(section + "/" + key);
    return it == values.end() ? fallback : it->second;
  }
  void WriteString(const std::string& section, const std::string& key, const std::string& value) override {
    if (fail_writes) RaiseWriteError();
    values[section + "/" + key] = value;
  }
  void DeleteKey(const std::string& section, const std::string& key) override {
    if (fail_writes) RaiseWriteError();
    values.erase(section + "/" + key);
  }
};

TEST(IniFileTest, IntegerAndBooleanRules) {
  MemoryIni ini;
  ini.values = {
      {"Main/X", "0x40"}, {"Main/Bad", "left"}, {"Main/Top", "2"}, {"Main/Off", "0"}, {"Main/Signed", "-0x1"}};
  EXPECT_EQ(ini.ReadInteger("Main", "X", 300), 64);
  EXPECT_EQ(ini.ReadInteger("Main", "Bad", 300), 300);
  EXPECT_EQ(ini.ReadInteger("Main", "Missing", 300), 300);
  EXPECT_TRUE(ini.ReadBool("Main", "Top", false));
  EXPECT_FALSE(ini.ReadBool("Main", "Off", true));
  EXPECT_TRUE(ini.ReadBool("Main", "Bad", true));
  EXPECT_FALSE(ini.ReadBool("Main", "Signed", false));
  ini.WriteInteger("Main", "Y", -12);
  ini.WriteBool("Main", "T", true);
  EXPECT_EQ(ini.values["Main/Y"], "-12");
  EXPECT_EQ(ini.values["Main/T"], "1");
}

TEST(IniFileTest, FailedWriteNamesThePath) {
  MemoryIni ini;
  ini.fail_writes = true;
  try {
    ini.WriteBool("Main", "Top", false);
    FAIL() << "no error";
  } catch (const EIniFileException& e) {
    EXPECT_STREQ(e.what(), "C:\\x\\Sonalix.ini に書き込めません");
  }
}

}  // namespace
}  // namespace snx
