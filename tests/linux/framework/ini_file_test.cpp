#include "framework/linux/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace snx {
namespace {

namespace fs = std::filesystem;

class IniFileTest : public ::testing::Test {
 protected:
  IniFileTest() { fs::create_directories(folder_); }
  ~IniFileTest() override { fs::remove_all(folder_); }

  static std::string Read(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }
  static void Write(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
  static unsigned Mode(const fs::path& path) {
    struct stat status {};
    stat(path.c_str(), &status);
    return status.st_mode & 0777;
  }

  fs::path folder_ = fs::temp_directory_path() / ("sonalix-ini-" + std::to_string(getpid()));
};

TEST_F(IniFileTest, WriteMakesMissingFoldersForTheOwnerOnlyAndReadsBack) {
  const fs::path path = folder_ / "config" / "sonalix" / "Sonalix.ini";
  TIniFile ini(path);
  EXPECT_EQ(ini.ReadInteger("Main", "MainX", 300), 300);
  ini.WriteInteger("Main", "MainX", -20);
  ini.WriteBool("Main", "Top", true);
  EXPECT_EQ(Read(path), "[Main]\nMainX=-20\nTop=1\n");
  EXPECT_EQ(ini.ReadInteger("main", "mainx", 300), -20);
  EXPECT_EQ(Mode(folder_ / "config"), 0700u);
  EXPECT_EQ(Mode(folder_ / "config" / "sonalix"), 0700u);
}

TEST_F(IniFileTest, WriteReplacesTheFileWholeAndKeepsItsOtherLines) {
  const fs::path path = folder_ / "Sonalix.ini";
  Write(path, "; placed by hand\r\n[Main]\r\nMainX=5\r\n[Other]\r\nA=1\r\n");
  // A second name for the old file shows whether it was rewritten in place,
  // which a crash could leave half done.
  fs::create_hard_link(path, folder_ / "old");
  TIniFile(path).WriteString("Main", "MainX", "120");
  EXPECT_EQ(Read(path), "; placed by hand\r\n[Main]\r\nMainX=120\r\n[Other]\r\nA=1\r\n");
  EXPECT_EQ(Read(folder_ / "old"), "; placed by hand\r\n[Main]\r\nMainX=5\r\n[Other]\r\nA=1\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 2) << "a temporary file stayed";
}

TEST_F(IniFileTest, FailedWritesRaiseAndChangeNothing) {
  const fs::path blocked = folder_ / "file" / "Sonalix.ini";
  Write(folder_ / "file", "not a folder");
  TIniFile in_a_file(blocked);
  EXPECT_EQ(in_a_file.ReadString("Main", "Top", "fallback"), "fallback");
  try {
    in_a_file.WriteBool("Main", "Top", true);
    ADD_FAILURE() << "no exception";
  } catch (const EIniFileException& e) {
    EXPECT_STREQ(e.what(), (blocked.string() + " に書き込めません").c_str());
  }

  // A folder that cannot be made, even by root.
  EXPECT_THROW(TIniFile("/proc/sonalix-none/Sonalix.ini").WriteBool("Main", "Top", true), EIniFileException);

  const fs::path path = folder_ / "Sonalix.ini";
  Write(path, "[Main]\nTop=1\n");
  TIniFile ini(path);
  EXPECT_THROW(ini.WriteString("Main", "Top", "0\n[Main]\nTop=1"), EIniFileException);
  EXPECT_EQ(Read(path), "[Main]\nTop=1\n");

  // A file that cannot be read is not overwritten with the one new key.
  const fs::path unreadable = folder_ / "folder.ini";
  fs::create_directory(unreadable);
  EXPECT_THROW(TIniFile(unreadable).WriteBool("Main", "Top", true), EIniFileException);
  EXPECT_TRUE(fs::is_directory(unreadable));
}

}  // namespace
}  // namespace snx
