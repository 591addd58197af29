#include "main/linux/settings_location.h"

#include <gtest/gtest.h>

#include <ostream>

namespace snx {
namespace {

struct LocationCase {
  const char* name;
  const char* xdg_config_home;
  const char* home;
  const char* expected;
};

void PrintTo(const LocationCase& c, std::ostream* os) { *os << c.name; }

class SettingsLocationTest : public ::testing::TestWithParam<LocationCase> {};

TEST_P(SettingsLocationTest, Locates) {
  EXPECT_EQ(SettingsLocation(GetParam().xdg_config_home, GetParam().home), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SettingsLocationTest,
    ::testing::Values(LocationCase{"ConfigHome", "/cfg", "/home/u", "/cfg/sonalix/Sonalix.ini"},
                      LocationCase{"ConfigHomeWithSlash", "/cfg/", "/home/u", "/cfg/sonalix/Sonalix.ini"},
                      LocationCase{"Unset", nullptr, "/home/u", "/home/u/.config/sonalix/Sonalix.ini"},
                      LocationCase{"Empty", "", "/home/u", "/home/u/.config/sonalix/Sonalix.ini"},
                      LocationCase{"Relative", "cfg", "/home/u", "/home/u/.config/sonalix/Sonalix.ini"},
                      LocationCase{"RootAsConfigHome", "/", "/home/u", "/sonalix/Sonalix.ini"},
                      LocationCase{"HomeWithSlash", nullptr, "/home/u/", "/home/u/.config/sonalix/Sonalix.ini"}));

}  // namespace
}  // namespace snx
