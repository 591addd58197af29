#include "framework/core/ini_text.h"

#include <gtest/gtest.h>

#include <ostream>

namespace snx {
namespace {

template <typename TCase>
std::string CaseName(const ::testing::TestParamInfo<TCase>& param_info) {
  return param_info.param.name;
}

struct FindCase {
  const char* name;
  std::string text;
  const char* section;
  const char* key;
  std::optional<std::string> expected;
};

void PrintTo(const FindCase& c, std::ostream* os) { *os << c.name; }

class FindIniValueTest : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindIniValueTest, Reads) {
  EXPECT_EQ(FindIniValue(GetParam().text, GetParam().section, GetParam().key), GetParam().expected);
}

const std::string kLong = "[Main]\nLong=" + std::string(2046, 'a') + "\xE3\x81\x82\n";

INSTANTIATE_TEST_SUITE_P(
    Table, FindIniValueTest,
    ::testing::Values(
        FindCase{"Plain", "[Main]\nMainX=120\n", "Main", "MainX", "120"},
        FindCase{"NamesIgnoreCase", "[mAIN]\nmainx=120\n", "Main", "MainX", "120"},
        FindCase{"BlanksAroundNamesAndValue", "  [ Main ]  \r\n\t MainX \t=  120 \t\r\n", "Main", "MainX", "120"},
        FindCase{"FirstKeyWins", "[Main]\nTop=1\nTop=0\n[main]\nTop=2\n", "Main", "Top", "1"},
        FindCase{"LaterSectionOfSameName", "[Main]\nX=1\n[Other]\nTop=3\n[MAIN]\nTop=2\n", "Main", "Top", "2"},
        FindCase{"KeyOfOtherSection", "[Other]\nTop=1\n[Main]\nX=1\n", "Main", "Top", std::nullopt},
        FindCase{"MissingSection", "Top=1\n", "Main", "Top", std::nullopt},
        FindCase{"EmptyText", "", "Main", "Top", std::nullopt},
        FindCase{"EmptyValue", "[Main]\nTop=\n", "Main", "Top", ""},
        FindCase{"CommentIsNoKey", "[Main]\n;Top=1\nTop=2\n", "Main", "Top", "2"},
        FindCase{"QuotesRemoved", "[Main]\nA=\" 1 \"\n", "Main", "A", " 1 "},
        FindCase{"OnlyMatchingQuotes", "[Main]\nA=\"1'\n", "Main", "A", "\"1'"},
        FindCase{"ByteOrderMark", "\xEF\xBB\xBF[Main]\nTop=1", "Main", "Top", "1"},
        FindCase{"SecondEqualsInValue", "[Main]\nA=b=c\n", "Main", "A", "b=c"},
        FindCase{"CutAtCharacterBoundary", kLong, "Main", "Long", std::string(2046, 'a')}),
    CaseName<FindCase>);

struct SetCase {
  const char* name;
  std::string text;
  const char* section;
  const char* key;
  const char* value;
  std::optional<std::string> expected;
};

void PrintTo(const SetCase& c, std::ostream* os) { *os << c.name; }

class SetIniValueTest : public ::testing::TestWithParam<SetCase> {};

TEST_P(SetIniValueTest, Writes) {
  const SetCase& c = GetParam();
  const auto written = SetIniValue(c.text, c.section, c.key, c.value);
  ASSERT_EQ(written, c.expected);
  // Whatever was written reads back.
  if (written) {
    EXPECT_EQ(FindIniValue(*written, c.section, c.key), c.value);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, SetIniValueTest,
    ::testing::Values(SetCase{"NewFile", "", "Main", "MainX", "120", "[Main]\nMainX=120\n"},
                      SetCase{"InPlaceKeepsSpellingAndRest", "; mine\n[main]\n  mainx = 5 ; old\nTop=1\n", "Main",
                              "MainX", "120", "; mine\n[main]\n  mainx =120\nTop=1\n"},
                      SetCase{"FirstOfTwoKeys", "[Main]\nTop=1\nTop=0\n", "Main", "Top", "5", "[Main]\nTop=5\nTop=0\n"},
                      SetCase{"AppendedAfterLastEntry", "[Main]\nA=1\n\nB=2\n\n; next\n[Other]\nC=3\n", "Main", "MainX",
                              "7", "[Main]\nA=1\n\nB=2\nMainX=7\n\n; next\n[Other]\nC=3\n"},
                      SetCase{"AppendedToEmptySection", "[Main]\n[Other]\n", "Main", "Top", "1",
                              "[Main]\nTop=1\n[Other]\n"},
                      SetCase{"SectionAtEndWithoutLineBreak", "[Main]\nA=1", "Main", "B", "2", "[Main]\nA=1\nB=2\n"},
                      SetCase{"NewSectionKeepsLineBreaks", "[Other]\r\nC=3", "Main", "Top", "1",
                              "[Other]\r\nC=3\r\n[Main]\r\nTop=1\r\n"},
                      SetCase{"LineBreakInValue", "[Main]\nA=1\n", "Main", "A", "1\n[Evil]", std::nullopt},
                      SetCase{"EqualsInKey", "", "Main", "A=B", "1", std::nullopt},
                      SetCase{"EmptyKey", "", "Main", " ", "1", std::nullopt},
                      SetCase{"BracketInSection", "", "Ma]in", "A", "1", std::nullopt}),
    CaseName<SetCase>);

struct RemoveCase {
  const char* name;
  std::string text;
  const char* section;
  const char* key;
  std::optional<std::string> expected;
};

void PrintTo(const RemoveCase& c, std::ostream* os) { *os << c.name; }

class RemoveIniKeyTest : public ::testing::TestWithParam<RemoveCase> {};

TEST_P(RemoveIniKeyTest, TakesOutTheLineThatReadsAndKeepsTheRest) {
  const RemoveCase& c = GetParam();
  const auto removed = RemoveIniKey(c.text, c.section, c.key);
  ASSERT_EQ(removed, c.expected);
  if (removed) {
    EXPECT_NE(FindIniValue(*removed, c.section, c.key), FindIniValue(c.text, c.section, c.key));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, RemoveIniKeyTest,
    ::testing::Values(RemoveCase{"Middle", "[Main]\nA=1\nDevice=Mic\nB=2\n", "Main", "Device", "[Main]\nA=1\nB=2\n"},
                      RemoveCase{"LastWithoutLineBreak", "[Main]\nA=1\nDevice=Mic", "Main", "Device", "[Main]\nA=1\n"},
                      RemoveCase{"NamesIgnoreCaseAndBlanks", "[main]\r\n  DEVICE = Mic\r\nA=1\r\n", " Main ", "Device",
                                 "[main]\r\nA=1\r\n"},
                      // The next one of the same name then reads, as it would have been read first.
                      RemoveCase{"FirstOfTwo", "[Main]\nDevice=Mic\nDevice=Line\n", "Main", "Device",
                                 "[Main]\nDevice=Line\n"},
                      RemoveCase{"InLaterSectionOfSameName", "[Main]\nA=1\n[Other]\nDevice=X\n[MAIN]\nDevice=Mic\n",
                                 "Main", "Device", "[Main]\nA=1\n[Other]\nDevice=X\n[MAIN]\n"},
                      RemoveCase{"CommentStays", "[Main]\n;Device=Mic\n", "Main", "Device", std::nullopt},
                      RemoveCase{"KeyOfOtherSection", "[Other]\nDevice=Mic\n", "Main", "Device", std::nullopt},
                      RemoveCase{"EmptyText", "", "Main", "Device", std::nullopt}),
    CaseName<RemoveCase>);

}  // namespace
}  // namespace snx
