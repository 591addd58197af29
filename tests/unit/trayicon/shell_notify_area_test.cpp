#include "trayicon/win32/shell_notify_area.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/core/component.h"

namespace snx::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Log = std::vector<std::string>;

struct ShellCall {
  std::uint32_t message;
  TNotifyIconDataV5A record;
};

// The shell's calls with the records' bytes, scripted answers, and the
// system's versions behind the shell's features.
class FakeShell final : public TShell, public TSystemVersions {
 public:
  static constexpr std::uint32_t kWindow = 0xCB00;

  std::deque<bool> add_results, modify_results;  // per call, then success
  std::uint32_t last_error = 0;
  std::uint16_t shell_major = 6;  // 0: shell32.dll without a version resource
  TOsVersion os{5, 1};

  bool NotifyIcon(std::uint32_t message, const TNotifyIconDataV5A& data) override {
    bool result = true;
    auto& script = message == kNimAdd ? add_results : modify_results;
    if (message != kNimDelete && !script.empty()) {
      result = script.front();
      script.pop_front();
    }
    calls.push_back({message, data});
    log.emplace_back(message == kNimAdd ? "ADD" : message == kNimModify ? "MODIFY" : "DELETE");
    return result;
  }
  std::uint32_t LastError() override {
    log.emplace_back("last error");
    return last_error;
  }
  void Sleep(std::uint32_t ms) override { log.push_back("sleep " + std::to_string(ms)); }
  std::uint32_t CallbackWindow(TComponent* owner) override {
    log.push_back(std::string("window for ") + (owner != nullptr ? owner->Name() : "none"));
    return kWindow;
  }
  TPoint CursorPos() override { return {640, 700}; }

  TOsVersion OsVersion() override { return os; }
  std::string SystemDirectory() override { return "C:\\WINDOWS\\system32"; }
  std::uint32_t FileVersionInfoSize(const std::string& file) override {
    return file == R"(C:\WINDOWS\system32\shell32.dll)" && shell_major != 0 ? 64 : 0;
  }
  bool FileVersionInfo(const std::string&, std::vector<std::uint8_t>& block) override { return block.size() == 64; }
  std::optional<TFixedFileVersion> RootVersion(const std::vector<std::uint8_t>&) override {
    return TFixedFileVersion{static_cast<std::uint32_t>(shell_major) << 16 | 2, 3u << 16 | 4};
  }

  std::vector<ShellCall> calls;
  Log log;
};

// An icon's side, as a log.
class FakeEvents final : public TTrayIconEvents {
 public:
  explicit FakeEvents(Log& log, std::string name) : log_(log), name_(std::move(name)) {}

  void PointerEvent(const TPointerEvent& e) override {
    static const char* const kActions[] = {"move", "press", "release", "double"};
    static const char* const kButtons[] = {"left", "right", "middle"};
    log_.push_back(name_ + " " + kActions[static_cast<int>(e.action)] + " " + kButtons[static_cast<int>(e.button)] +
                   " at " + std::to_string(e.at.x) + "," + std::to_string(e.at.y));
  }
  void BalloonEvent(TBalloonEvent e) override {
    static const char* const kEvents[] = {"shown", "hidden", "timed out", "clicked"};
    log_.push_back(name_ + " balloon " + kEvents[static_cast<int>(e)]);
  }
  void AreaRestarted() override {
    log_.push_back(name_ + " restarted");
    if (fail_restart) throw std::runtime_error(name_);
  }
  bool fail_restart = false;

 private:
  Log& log_;
  std::string name_;
};

// Icon 4 of a form, connected to an area over a shell of the test's choice.
class ShellAreaTest : public ::testing::Test {
 protected:
  ShellAreaTest() { form_.SetName("form"); }

  TShellNotifyArea& Area() {
    if (!area_) {
      area_.emplace(shell_, ShellFeatures(shell_));
      area_->Connect(4, &form_, events_);
    }
    return *area_;
  }
  // Added, with the shell's log cleared.
  TShellNotifyArea& Shown() {
    EXPECT_TRUE(Area().Add(view_));
    shell_.calls.clear();
    shell_.log.clear();
    return *area_;
  }
  const TNotifyIconDataV5A& Last() const { return shell_.calls.back().record; }

  FakeShell shell_;
  TComponent form_{nullptr};
  Log events_log_;
  FakeEvents events_{events_log_, "icon"};
  TTrayIconView view_{.id = 4, .tip = "Sonalix", .picture = 0x1C0, .visible = true};
  std::optional<TShellNotifyArea> area_;
};

struct FeaturesCase {
  std::uint16_t shell;
  TOsVersion os;
  bool full_record, add_may_time_out;
};

TEST_F(ShellAreaTest, TheShellsVersionsSayHowMuchOfTheRecordItReadsAndWhetherAnAddMayTimeOut) {
  const FeaturesCase cases[] = {{6, {5, 1}, true, true},
                                {5, {5, 0}, true, false},
                                {4, {4, 0}, false, false},
                                {0, {6, 0}, false, true},
                                {6, {6, 1}, true, true}};
  for (const FeaturesCase& c : cases) {
    shell_.shell_major = c.shell;
    shell_.os = c.os;
    const TShellFeatures features = ShellFeatures(shell_);
    EXPECT_EQ(features.full_record, c.full_record) << "shell " << c.shell;
    EXPECT_EQ(features.add_may_time_out, c.add_may_time_out) << "Windows " << c.os.major << "." << c.os.minor;
  }
}

TEST_F(ShellAreaTest, AnAddSendsTheWholeRecordForItsShellFromTheOwnersWindow) {
  for (auto [major, size] : {std::pair{6, 488u}, std::pair{4, 88u}}) {
    shell_.shell_major = static_cast<std::uint16_t>(major);
    area_.reset();
    shell_.calls.clear();
    shell_.log.clear();
    ASSERT_TRUE(Area().Add(view_));
    Area().Remove(view_);
    EXPECT_THAT(shell_.log, ElementsAre("window for form", "ADD", "DELETE"));
    const TNotifyIconDataV5A& r = shell_.calls[0].record;
    EXPECT_EQ(r.cbSize, size);
    EXPECT_EQ(r.hWnd, FakeShell::kWindow);
    EXPECT_EQ(r.uID, 4u);
    EXPECT_EQ(r.uCallbackMessage, 0x4C8u);
    EXPECT_EQ(r.hIcon, 0x1C0u);
    EXPECT_EQ(r.uFlags, 7u);
    EXPECT_STREQ(r.szTip, "Sonalix");
    EXPECT_EQ(shell_.calls[1].record.uID, 4u);
    EXPECT_EQ(shell_.calls[1].record.hWnd, FakeShell::kWindow);
  }
  view_.tip.clear();
  Area().Update(view_);
  EXPECT_EQ(Last().uFlags, 3u);  // no tip
  EXPECT_EQ(Last().hWnd, FakeShell::kWindow);
}

struct RequestCase {
  const char* name;
  std::uint16_t shell;
  bool (*request)(TShellNotifyArea& area, const TTrayIconView& view);
  std::uint32_t message, flags, state;
};
void PrintTo(const RequestCase& c, std::ostream* os) { *os << c.name; }

class RequestTest : public ShellAreaTest, public ::testing::WithParamInterface<RequestCase> {};

TEST_P(RequestTest, FlagsFollowTheRequestAndTheShellVersion) {
  const RequestCase& c = GetParam();
  shell_.shell_major = c.shell;
  EXPECT_TRUE(c.request(Shown(), view_));
  ASSERT_EQ(shell_.calls.size(), 1u);
  EXPECT_EQ(shell_.calls[0].message, c.message);
  EXPECT_EQ(Last().uFlags, c.flags);
  EXPECT_EQ(Last().uID, 4u);
  EXPECT_EQ(Last().hWnd, FakeShell::kWindow);
  if (c.flags == 8) {
    EXPECT_EQ(Last().dwState, c.state);
    EXPECT_EQ(Last().dwStateMask, 3u);
  } else {
    EXPECT_STREQ(Last().szTip, "Sonalix");
  }
}

bool Update(TShellNotifyArea& a, const TTrayIconView& v) { return a.Update(v); }
bool Balloon(TShellNotifyArea& a, const TTrayIconView& v) { return a.ShowBalloon(v, {}); }
bool HideBalloon(TShellNotifyArea& a, const TTrayIconView& v) { return a.HideBalloon(v); }
bool Show(TShellNotifyArea& a, const TTrayIconView& v) { return a.SetShown(v); }
bool Hide(TShellNotifyArea& a, const TTrayIconView& v) {
  TTrayIconView hidden = v;
  hidden.visible = false;
  return a.SetShown(hidden);
}
bool Remove(TShellNotifyArea& a, const TTrayIconView& v) {
  a.Remove(v);
  return true;
}

INSTANTIATE_TEST_SUITE_P(Requests, RequestTest,
                         ::testing::Values(RequestCase{"Update", 6, Update, kNimModify, 7, 0},
                                           RequestCase{"Balloon", 6, Balloon, kNimModify, 0x11, 0},
                                           RequestCase{"HideBalloon", 6, HideBalloon, kNimModify, 0x11, 0},
                                           RequestCase{"Show", 6, Show, kNimModify, 8, 0},
                                           RequestCase{"Hide", 6, Hide, kNimModify, 8, 1},
                                           RequestCase{"Remove", 6, Remove, kNimDelete, 7, 0},
                                           RequestCase{"BalloonOnAnOldShell", 4, Balloon, kNimModify, 7, 0},
                                           RequestCase{"HideOnAnOldShell", 4, Hide, kNimModify, 7, 0}),
                         [](const ::testing::TestParamInfo<RequestCase>& test) {
                           return std::string(test.param.name);
                         });

TEST_F(ShellAreaTest, ABalloonSendsItsTextsTimeOutAndIconAndIsWithdrawnWithEmptyTexts) {
  TShellNotifyArea& area = Shown();
  area.ShowBalloon(view_, {TBalloonInfoIconFlag::biifError, std::string(63, 't'), std::string(255, 'x'), 30});
  EXPECT_EQ(std::string(Last().szInfoTitle), std::string(63, 't'));
  EXPECT_EQ(std::string(Last().szInfo), std::string(255, 'x'));
  EXPECT_EQ(Last().uTimeout, 30000u);
  EXPECT_EQ(Last().dwInfoFlags, 3u);
  area.ShowBalloon(view_, {TBalloonInfoIconFlag::biifInfo, "Title", "", 5});
  EXPECT_STREQ(Last().szInfo, " ");  // an empty text would withdraw it
  EXPECT_EQ(Last().uTimeout, 5000u);
  EXPECT_EQ(Last().dwInfoFlags, 1u);
  area.HideBalloon(view_);
  EXPECT_STREQ(Last().szInfoTitle, "");
  EXPECT_STREQ(Last().szInfo, "");
  // Texts longer than their fields are cut: the shell reads each field up to
  // its terminator, which must stay inside the field.
  TTrayIconView long_tip = view_;
  long_tip.tip = std::string(200, 'p');
  area.ShowBalloon(long_tip, {TBalloonInfoIconFlag::biifInfo, std::string(100, 't'), std::string(300, 'x'), 10});
  EXPECT_EQ(Last().szTip[127], '\0');
  EXPECT_EQ(Last().szInfoTitle[63], '\0');
  EXPECT_EQ(Last().szInfo[255], '\0');
  EXPECT_EQ(std::string(Last().szTip), std::string(127, 'p'));
  EXPECT_EQ(std::string(Last().szInfoTitle), std::string(63, 't'));
  EXPECT_EQ(std::string(Last().szInfo), std::string(255, 'x'));
}

TEST_F(ShellAreaTest, ARefusedCallIsReportedAndAnIconNeverConnectedIsNotAdded) {
  TShellNotifyArea& area = Shown();
  shell_.modify_results = {false, false, false, false};
  EXPECT_FALSE(area.Update(view_));
  EXPECT_FALSE(area.ShowBalloon(view_, {}));
  EXPECT_FALSE(area.HideBalloon(view_));
  EXPECT_FALSE(area.SetShown(view_));
  TTrayIconView stranger = view_;
  stranger.id = 5;
  EXPECT_FALSE(area.Add(stranger));
  EXPECT_THAT(shell_.log, ElementsAre("MODIFY", "MODIFY", "MODIFY", "MODIFY"));
}

struct TimeoutCase {
  const char* name;
  TOsVersion os;
  std::uint32_t error;
  std::deque<bool> adds, modifies;
  Log log;
  bool added;
};
void PrintTo(const TimeoutCase& c, std::ostream* os) { *os << c.name; }

class TimeoutRuleTest : public ShellAreaTest, public ::testing::WithParamInterface<TimeoutCase> {};

TEST_P(TimeoutRuleTest, AddWaitsProbesAndRetriesOnlyForTimeOutsOnXPOrLater) {
  const TimeoutCase& c = GetParam();
  shell_.os = c.os;
  shell_.last_error = c.error;
  shell_.add_results = c.adds;
  shell_.modify_results = c.modifies;
  EXPECT_EQ(Area().Add(view_), c.added);
  Log log = {"window for form"};
  log.insert(log.end(), c.log.begin(), c.log.end());
  EXPECT_EQ(shell_.log, log);
}

const Log kTimeOut = {"ADD", "last error", "sleep 100"};
Log Then(Log first, const Log& next) {
  first.insert(first.end(), next.begin(), next.end());
  return first;
}
Log SixTimeOuts() {
  Log log = Then(kTimeOut, {"MODIFY"});
  for (int i = 0; i < 4; ++i) log = Then(log, kTimeOut);
  return Then(log, {"ADD", "last error"});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TimeoutRuleTest,
    ::testing::Values(
        TimeoutCase{"ProbeFindsTheIcon", {5, 1}, 0x5B4, {false}, {true}, Then(kTimeOut, {"MODIFY"}), true},
        TimeoutCase{"RetrySucceeds", {6, 0}, 0x5B4, {false, true}, {false}, Then(kTimeOut, {"MODIFY", "ADD"}), true},
        TimeoutCase{"SixthTimeOutFails", {5, 1}, 0x5B4, std::deque<bool>(6, false), {false}, SixTimeOuts(), false},
        TimeoutCase{"OtherErrorFails", {5, 1}, 5, {false}, {}, {"ADD", "last error"}, false},
        TimeoutCase{"Windows2000Fails", {5, 0}, 0x5B4, {false}, {}, {"ADD"}, false}),
    [](const ::testing::TestParamInfo<TimeoutCase>& test) { return std::string(test.param.name); });

TEST_F(ShellAreaTest, EachCallbackNotificationBecomesItsEventForTheIconItNames) {
  Shown();
  const std::pair<std::intptr_t, const char*> cases[] = {{0x200, "icon move left at 640,700"},
                                                         {0x201, "icon press left at 640,700"},
                                                         {0x202, "icon release left at 640,700"},
                                                         {0x203, "icon double left at 640,700"},
                                                         {0x204, "icon press right at 640,700"},
                                                         {0x205, "icon release right at 640,700"},
                                                         {0x206, "icon double right at 640,700"},
                                                         {0x207, "icon press middle at 640,700"},
                                                         {0x208, "icon release middle at 640,700"},
                                                         {0x209, "icon double middle at 640,700"},
                                                         {0x402, "icon balloon shown"},
                                                         {0x403, "icon balloon hidden"},
                                                         {0x404, "icon balloon timed out"},
                                                         {0x405, "icon balloon clicked"},
                                                         {0x401, nullptr},
                                                         {0x20A, nullptr}};
  for (auto [notification, event] : cases) {
    events_log_.clear();
    area_->CallbackMessage(4, notification);
    EXPECT_EQ(events_log_, event ? Log{event} : Log{}) << notification;
  }
  events_log_.clear();
  area_->CallbackMessage(999, 0x201);
  area_->Disconnect(4);
  area_->CallbackMessage(4, 0x201);
  EXPECT_THAT(events_log_, IsEmpty());
}

TEST_F(ShellAreaTest, ANewTaskbarReachesEveryIconInOrderAndRaisesTheFirstFailureAfterwards) {
  Log log;
  FakeEvents first(log, "first"), second(log, "second"), third(log, "third");
  second.fail_restart = third.fail_restart = true;
  TShellNotifyArea& area = Area();
  area.Connect(9, &form_, third);
  area.Connect(2, &form_, second);
  area.Connect(1, &form_, first);
  area.Disconnect(4);
  try {
    area.TaskbarCreated();
    ADD_FAILURE() << "no failure";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "second");
  }
  EXPECT_THAT(log, ElementsAre("first restarted", "second restarted", "third restarted"));
}

}  // namespace
}  // namespace snx::testing
