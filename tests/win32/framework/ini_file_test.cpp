// The settings through the real private-profile calls: what is written is
// read back, and the file is the plain INI text other tools expect.
#include "framework/core/ini_file.h"
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "framework/win32/unicode.h"
#include "main/core/main_settings.h"

namespace snx {
namespace {

class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    path_ = Narrow(dir) + "sonalix-ini-test.ini";
    DeleteFileW(Widen(path_).c_str());
  }
  void TearDown() override { DeleteFileW(Widen(path_).c_str()); }

  std::string FileBytes() const {
    std::ifstream in(Widen(path_).c_str(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  std::string path_;
};

TEST_F(IniFileTest, TheThreeKeysRoundTripAndAMissingFileGivesTheDefaults) {
  TIniFile fresh(path_);
  MainSettings defaults = ReadMainSettings(fresh);
  EXPECT_EQ(defaults.left, 300);
  EXPECT_EQ(defaults.top, 300);
  EXPECT_FALSE(defaults.stay_on_top);

  WriteMainSettings(fresh, MainSettings{-1280, 0x40, true, ""});
  EXPECT_EQ(FileBytes(), "[Main]\r\nMainX=-1280\r\nMainY=64\r\nTop=1\r\n");
  TIniFile again(path_);
  MainSettings read = ReadMainSettings(again);
  EXPECT_EQ(read.left, -1280);
  EXPECT_EQ(read.top, 64);
  EXPECT_TRUE(read.stay_on_top);
}

TEST_F(IniFileTest, StoredTextIsParsedByTheIntegerRules) {
  std::ofstream(Widen(path_).c_str(), std::ios::binary) << "[Main]\r\nMainX=0x40\r\nMainY=north\r\nTop=7\r\n";
  TIniFile ini(path_);
  MainSettings read = ReadMainSettings(ini);
  EXPECT_EQ(read.left, 64);
  EXPECT_EQ(read.top, 300);
  EXPECT_TRUE(read.stay_on_top);
}

TEST_F(IniFileTest, DeleteKeyTakesOutOnlyThatKeyAndAMissingOneIsNoError) {
  std::ofstream(Widen(path_).c_str(), std::ios::binary)
      << "[Main]\r\nMainX=5\r\nDevice=USB Mic\r\n[Other]\r\nDevice=X\r\n";
  TIniFile ini(path_);
  ini.DeleteKey("Main", "Device");
  EXPECT_EQ(ini.ReadString("Main", "Device", "none"), "none");
  EXPECT_EQ(ini.ReadString("Main", "MainX", ""), "5");
  EXPECT_EQ(ini.ReadString("Other", "Device", ""), "X");
  EXPECT_NO_THROW(ini.DeleteKey("Main", "Device"));
  EXPECT_NO_THROW(ini.DeleteKey("Gone", "Device"));

  DeleteFileW(Widen(path_).c_str());
  EXPECT_NO_THROW(TIniFile(path_).DeleteKey("Main", "Device"));
  EXPECT_EQ(GetFileAttributesW(Widen(path_).c_str()), INVALID_FILE_ATTRIBUTES) << "taking a key out made a file";
}

TEST_F(IniFileTest, AWriteThatCannotHappenRaisesWithThePath) {
  CreateDirectoryW(Widen(path_).c_str(), nullptr);  // a folder where the file should be
  TIniFile ini(path_);
  try {
    ini.WriteString("Main", "Top", "0");
    ADD_FAILURE() << "no error";
  } catch (const EIniFileException& e) {
    EXPECT_EQ(std::string(e.what()), path_ + " に書き込めません");
  }
  RemoveDirectoryW(Widen(path_).c_str());
}

}  // namespace
}  // namespace snx
