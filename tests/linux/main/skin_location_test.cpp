#include "main/linux/skin_location.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace snx {
namespace {

struct FoldersCase {
  const char* name;
  const char* xdg_data_home;
  const char* home;
  const char* xdg_data_dirs;
  std::vector<std::string> expected;
};

void PrintTo(const FoldersCase& c, std::ostream* os) { *os << c.name; }

class SkinFoldersTest : public ::testing::TestWithParam<FoldersCase> {};

TEST_P(SkinFoldersTest, ProgramFolderThenUserDataThenSystemData) {
  const FoldersCase& c = GetParam();
  EXPECT_EQ(SkinFolders("/opt/snx/bin/", c.xdg_data_home, c.home, c.xdg_data_dirs), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SkinFoldersTest,
    ::testing::Values(
        FoldersCase{
            "Set", "/data", "/home/u", "/a:/b/", {"/opt/snx/bin/", "/data/sonalix/", "/a/sonalix/", "/b/sonalix/"}},
        FoldersCase{
            "Unset",
            nullptr,
            "/home/u",
            nullptr,
            {"/opt/snx/bin/", "/home/u/.local/share/sonalix/", "/usr/local/share/sonalix/", "/usr/share/sonalix/"}},
        FoldersCase{
            "Empty",
            "",
            "/home/u/",
            "",
            {"/opt/snx/bin/", "/home/u/.local/share/sonalix/", "/usr/local/share/sonalix/", "/usr/share/sonalix/"}},
        FoldersCase{"RelativeEntriesAreIgnored",
                    "data",
                    "/home/u",
                    "share::/b//:rel/share:",
                    {"/opt/snx/bin/", "/home/u/.local/share/sonalix/", "/b/sonalix/"}},
        FoldersCase{"NoHome", nullptr, nullptr, "/a", {"/opt/snx/bin/", "/a/sonalix/"}},
        FoldersCase{"RootEntries", "/", "/home/u", "/", {"/opt/snx/bin/", "/sonalix/", "/sonalix/"}}));

}  // namespace
}  // namespace snx
