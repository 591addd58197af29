#include "main/core/program_folder.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace snx {
namespace {

struct FolderRow {
  std::string name;
  std::string exe_name;
  std::string expected;
  friend void PrintTo(const FolderRow& row, std::ostream* os) { *os << row.name; }
};

class ProgramFolderTest : public testing::TestWithParam<FolderRow> {};

TEST_P(ProgramFolderTest, KeepsEverythingUpToTheLastSeparatorOfEitherKind) {
  EXPECT_EQ(ProgramFolder(GetParam().exe_name), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Paths, ProgramFolderTest,
                         testing::ValuesIn(std::vector<FolderRow>{
                             {"Backslash", "C:\\Program Files\\Sonalix\\Sonalix.exe", "C:\\Program Files\\Sonalix\\"},
                             {"Slash", "C:/Tools/Sonalix/Sonalix.exe", "C:/Tools/Sonalix/"},
                             {"SlashAfterBackslash", "C:\\Tools/Sonalix.exe", "C:\\Tools/"},
                             {"BackslashAfterSlash", "C:/Tools\\Sonalix.exe", "C:/Tools\\"},
                             {"NoSeparator", "Sonalix.exe", ""},
                             {"TrailingSeparator", "C:\\Sonalix\\", "C:\\Sonalix\\"},
                             {"RootOnly", "\\Sonalix.exe", "\\"},
                             {"NonAsciiFolder", "D:\\\xE9\x9F\xB3\\Sonalix.exe", "D:\\\xE9\x9F\xB3\\"},
                             {"Empty", "", ""},
                         }),
                         [](const testing::TestParamInfo<FolderRow>& row) { return row.param.name; });

}  // namespace
}  // namespace snx
