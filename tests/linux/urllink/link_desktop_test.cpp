// The desktop's opener gets a link's target as it is, whatever it holds.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>

#include "tests/patience.h"
#include "urllink/core/urllink.h"

namespace snx {
namespace {

namespace fs = std::filesystem;

// An xdg-open first on PATH that writes its arguments to a file, one per
// line after their count, then renames the file into place.
class RecordingOpener {
 public:
  RecordingOpener() {
    fs::create_directories(folder_);
    const fs::path opener = folder_ / "xdg-open";
    const std::string log = Log().string();
    std::ofstream(opener) << "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > '" << log << ".part'\nmv '" << log << ".part' '"
                          << log << "'\n";
    fs::permissions(opener, fs::perms(0755));
    if (const char* path = std::getenv("PATH")) old_path_ = path;
    setenv("PATH", (folder_.string() + ":" + old_path_.value_or("/usr/bin:/bin")).c_str(), 1);
  }
  RecordingOpener(const RecordingOpener&) = delete;
  RecordingOpener& operator=(const RecordingOpener&) = delete;
  ~RecordingOpener() {
    if (old_path_) setenv("PATH", old_path_->c_str(), 1);
    fs::remove_all(folder_);
  }

  // What the opener was given, once it has run.
  std::optional<std::string> Arguments() const {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!fs::exists(Log())) {
      if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::stringstream text;
    text << std::ifstream(Log()).rdbuf();
    return text.str();
  }

 private:
  fs::path Log() const { return folder_ / "opened"; }

  fs::path folder_ = fs::temp_directory_path() / ("sonalix-opener-" + std::to_string(getpid()));
  std::optional<std::string> old_path_;
};

struct TargetCase {
  const char* name;
  const char* target;
};

void PrintTo(const TargetCase& c, std::ostream* os) { *os << c.name; }

class LinkDesktopTest : public testing::TestWithParam<TargetCase> {};

TEST_P(LinkDesktopTest, TheOpenerGetsTheTargetAsOneArgumentUnchanged) {
  const RecordingOpener opener;
  SystemLinkDesktop().Execute("OPEN", GetParam().target, "", "", 1);
  EXPECT_EQ(opener.Arguments(), "1\n" + std::string(GetParam().target) + "\n");
}

INSTANTIATE_TEST_SUITE_P(Targets, LinkDesktopTest,
                         testing::Values(TargetCase{"Plain", "http://sonalix.example.org/"},
                                         TargetCase{"Space", "http://sonalix.example.org/a page"},
                                         TargetCase{"Quotes", "mailto:o'brien@example.org?subject=\"hi\""},
                                         TargetCase{"ShellWords", "http://example.org/$(touch x);`id` \\ *"}),
                         [](const testing::TestParamInfo<TargetCase>& param_info) {
                           return std::string(param_info.param.name);
                         });

}  // namespace
}  // namespace snx
