#include "framework/core/ini_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/linux/promptly.h"

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
    return status.st_mode & 07777;
  }

  static std::size_t Entries(const fs::path& folder) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
  }

  fs::path folder_ = fs::temp_directory_path() / ("sonalix-ini-" + std::to_string(getpid()));
};

// The process's umask for the test's duration.
class Umask {
 public:
  explicit Umask(mode_t mask) : old_(umask(mask)) {}
  Umask(const Umask&) = delete;
  Umask& operator=(const Umask&) = delete;
  ~Umask() { umask(old_); }

 private:
  mode_t old_;
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
}

TEST_F(IniFileTest, DeleteKeyTakesOutOneLineThroughLinksAndLeavesAMissingFileMissing) {
  const fs::path file = folder_ / "dotfiles.ini";
  Write(file, "[Main]\r\nMainX=5\r\nDevice=USB Mic\r\n[Other]\r\nDevice=X\r\n");
  fs::create_symlink("dotfiles.ini", folder_ / "Sonalix.ini");
  TIniFile ini(folder_ / "Sonalix.ini");
  ini.DeleteKey("Main", "Device");
  EXPECT_EQ(Read(file), "[Main]\r\nMainX=5\r\n[Other]\r\nDevice=X\r\n");
  EXPECT_EQ(ini.ReadString("Main", "Device", "none"), "none");
  EXPECT_TRUE(fs::is_symlink(folder_ / "Sonalix.ini"));
  ini.DeleteKey("Main", "Device");  // nothing left to take out
  EXPECT_EQ(Read(file), "[Main]\r\nMainX=5\r\n[Other]\r\nDevice=X\r\n");

  const fs::path missing = folder_ / "config" / "Sonalix.ini";
  TIniFile(missing).DeleteKey("Main", "Device");
  EXPECT_FALSE(fs::exists(folder_ / "config"));

  // What cannot be read might hold the key, and cannot be rewritten without it.
  fs::create_directory(folder_ / "folder.ini");
  EXPECT_THROW(TIniFile(folder_ / "folder.ini").DeleteKey("Main", "Device"), EIniFileException);
}

TEST_F(IniFileTest, AFileBehindSymbolicLinksIsReplacedWhereItLiesAndTheLinksStay) {
  // As a dotfile manager keeps it: a link into a repository of its own, here
  // reached through a second, absolute link.
  const fs::path repository = folder_ / "dotfiles";
  const fs::path config = folder_ / "config";
  fs::create_directories(repository);
  fs::create_directories(config);
  const fs::path file = repository / "Sonalix.ini";
  Write(file, "[Main]\nMainX=5\n[Other]\nA=1\n");
  fs::permissions(file, fs::perms(0644));
  fs::create_symlink("../dotfiles/Sonalix.ini", config / "Sonalix.ini");
  fs::create_symlink(config / "Sonalix.ini", folder_ / "Sonalix.ini");

  TIniFile(folder_ / "Sonalix.ini").WriteInteger("Main", "MainX", 120);
  EXPECT_TRUE(fs::is_symlink(folder_ / "Sonalix.ini"));
  EXPECT_TRUE(fs::is_symlink(config / "Sonalix.ini"));
  EXPECT_EQ(fs::read_symlink(config / "Sonalix.ini"), "../dotfiles/Sonalix.ini");
  EXPECT_EQ(Read(file), "[Main]\nMainX=120\n[Other]\nA=1\n");
  EXPECT_EQ(Mode(file), 0644u);
  EXPECT_EQ(Entries(repository), 1u) << "a temporary file stayed beside the target";
  EXPECT_EQ(Entries(config), 1u);

  // A link whose file is not there yet: the file is made where it points.
  fs::create_symlink("../dotfiles/New.ini", config / "New.ini");
  TIniFile(config / "New.ini").WriteBool("Main", "Top", true);
  EXPECT_TRUE(fs::is_symlink(config / "New.ini"));
  EXPECT_EQ(Read(repository / "New.ini"), "[Main]\nTop=1\n");

  // Links in a circle lead to no file.
  fs::create_symlink("b.ini", config / "a.ini");
  fs::create_symlink("a.ini", config / "b.ini");
  EXPECT_THROW(TIniFile(config / "a.ini").WriteBool("Main", "Top", true), EIniFileException);
  EXPECT_TRUE(fs::is_symlink(config / "a.ini"));
}

struct ModeCase {
  const char* name;
  std::optional<unsigned> existing;  // the mode of the file already there
  mode_t umask;
  unsigned expected;
};

void PrintTo(const ModeCase& c, std::ostream* os) { *os << c.name; }

class IniFileModeTest : public IniFileTest, public testing::WithParamInterface<ModeCase> {};

TEST_P(IniFileModeTest, AFileKeepsItsModeAndANewOneGetsTheUsualOne) {
  const ModeCase& c = GetParam();
  const fs::path path = folder_ / "Sonalix.ini";
  if (c.existing) {
    Write(path, "[Main]\nTop=0\n");
    fs::permissions(path, fs::perms(*c.existing));
  }
  {
    const Umask mask(c.umask);
    TIniFile(path).WriteBool("Main", "Top", true);
  }
  EXPECT_EQ(Mode(path), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Modes, IniFileModeTest,
                         testing::Values(ModeCase{"NewUnderUmask022", std::nullopt, 022, 0644},
                                         ModeCase{"NewUnderUmask077", std::nullopt, 077, 0600},
                                         ModeCase{"Existing0640UnderUmask022", 0640, 022, 0640},
                                         ModeCase{"Existing0664UnderUmask077", 0664, 077, 0664},
                                         // A shared group's file keeps its set-group-ID bit.
                                         ModeCase{"Existing2660UnderUmask022", 02660, 022, 02660}),
                         [](const testing::TestParamInfo<ModeCase>& param_info) {
                           return std::string(param_info.param.name);
                         });

TEST_F(IniFileTest, AWriteThatFailsHalfwayLeavesTheFileAndNoTemporaryOne) {
  const fs::path path = folder_ / "Sonalix.ini";
  Write(path, "[Main]\nTop=1\n");
  // Files of this process may grow to 64 bytes: the new text's write fails.
  rlimit old_limit{};
  getrlimit(RLIMIT_FSIZE, &old_limit);
  const rlimit small{64, old_limit.rlim_max};
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &small);
  bool raised = false;
  try {
    TIniFile(path).WriteString("Main", "Top", std::string(100, '1'));
  } catch (const EIniFileException&) {
    raised = true;
  }
  setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_TRUE(raised);
  EXPECT_EQ(Read(path), "[Main]\nTop=1\n");
  EXPECT_EQ(Entries(folder_), 1u) << "the temporary file stayed";
}

// What can stand where the settings file should be.
struct NotAFileCase {
  const char* name;
  std::function<void(const fs::path&)> make;
  fs::file_type type;
};

void PrintTo(const NotAFileCase& c, std::ostream* os) { *os << c.name; }

class IniFileNotAFileTest : public IniFileTest, public testing::WithParamInterface<NotAFileCase> {};

TEST_P(IniFileNotAFileTest, IsNeitherWaitedOnNorReadNorReplaced) {
  const fs::path path = folder_ / "Sonalix.ini";
  GetParam().make(path);
  Promptly({path}, [&] { EXPECT_EQ(TIniFile(path).ReadString("Main", "Top", "fallback"), "fallback"); });
  Promptly({path}, [&] { EXPECT_THROW(TIniFile(path).WriteBool("Main", "Top", true), EIniFileException); });
  EXPECT_EQ(fs::symlink_status(path).type(), GetParam().type) << "it was replaced";
}

INSTANTIATE_TEST_SUITE_P(
    Things, IniFileNotAFileTest,
    testing::Values(NotAFileCase{"Fifo", [](const fs::path& p) { mkfifo(p.c_str(), 0644); }, fs::file_type::fifo},
                    NotAFileCase{"Socket",
                                 [](const fs::path& p) {
                                   // Opening a socket fails (ENXIO), unlike a missing file.
                                   const int s = socket(AF_UNIX, SOCK_STREAM, 0);
                                   sockaddr_un address{};
                                   address.sun_family = AF_UNIX;
                                   p.string().copy(address.sun_path, sizeof address.sun_path - 1);
                                   if (bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
                                     ADD_FAILURE() << "cannot make the socket";
                                   }
                                   close(s);
                                 },
                                 fs::file_type::socket},
                    NotAFileCase{"Folder", [](const fs::path& p) { fs::create_directory(p); },
                                 fs::file_type::directory}),
    [](const testing::TestParamInfo<NotAFileCase>& param_info) { return std::string(param_info.param.name); });

}  // namespace
}  // namespace snx
