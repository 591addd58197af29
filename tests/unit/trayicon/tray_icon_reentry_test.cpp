#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>

#include "tests/unit/trayicon/fake_tray.h"
#include "trayicon/core/tray_icon.h"
#include "trayicon/core/tray_icon_animate.h"

namespace snx::testing {
namespace {

using namespace std::chrono_literals;

// Ends the process when the test it guards has not finished in time: a
// deadlock would otherwise hang the whole run.
class Watchdog {
 public:
  explicit Watchdog(std::chrono::seconds limit) : name_(CurrentTest()), thread_([this, limit] { Watch(limit); }) {}
  ~Watchdog() {
    {
      const std::lock_guard lock(mutex_);
      done_ = true;
    }
    finished_.notify_all();
    thread_.join();
  }
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

 private:
  static std::string CurrentTest() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string(test->test_suite_name()) + "." + test->name();
  }
  void Watch(std::chrono::seconds limit) {
    std::unique_lock lock(mutex_);
    if (finished_.wait_for(lock, limit, [this] { return done_; })) return;
    std::fprintf(stderr, "%s hung: still running after %lld s\n", name_.c_str(), static_cast<long long>(limit.count()));
    std::_Exit(EXIT_FAILURE);
  }

  const std::string name_;
  std::mutex mutex_;
  std::condition_variable finished_;
  bool done_ = false;
  std::thread thread_;
};

// What a report of the area to an icon says.
struct Report {
  const char* name;
  void (*send)(FakeTrayPlatform& platform, std::int32_t id);
};

// The area delivers a report to the waiting user-interface thread during its
// calls, and the handler changes the icon again.
class ReentryTest : public TrayTest {
 protected:
  ReentryTest() {
    for (TIconHandle h : {0xF0u, 0xF1u}) images_->AddIcon(MakeIcon(h));
    tray_->SetAnimateIcons(images_);
    tray_->SetTipHelp("first tip");
  }
  ~ReentryTest() override {
    armed_ = false;
    owner_.reset();
  }

  // Runs `during` at the start of each call to the area while armed; set
  // before any other thread can call the area.
  void Hook(std::function<void()> during) {
    platform_.during_call = [this, during = std::move(during)](const std::string&) {
      if (armed_) during();
    };
  }
  // Delivers `report` during every call of the user-interface thread to the
  // area but the nested ones; every event of the icon runs `action`.
  void DeliverDuringEachCall(const Report& report, std::function<void(TTrayIcon&)> action) {
    const auto run = [this, action] {
      ++handled_;
      action(*tray_);
    };
    tray_->OnMouseMove = [run](TObject*, TShiftState, int, int) { run(); };
    tray_->OnMouseDown = [run](TObject*, TMouseButton, TShiftState, int, int) { run(); };
    tray_->OnMouseUp = [run](TObject*, TMouseButton, TShiftState, int, int) { run(); };
    tray_->OnDblClick = [run](TObject*) { run(); };
    tray_->SetOnBalloonShow([run](TObject*) { run(); });
    tray_->SetOnBalloonHide([run](TObject*) { run(); });
    tray_->SetOnBalloonTimeout([run](TObject*) { run(); });
    tray_->SetOnBalloonClick([run](TObject*) { run(); });
    Hook([this, report] {
      if (std::this_thread::get_id() != ui_thread_ || delivering_) return;
      delivering_ = true;
      ++delivered_;
      report.send(platform_, tray_->IconID());
      delivering_ = false;
    });
  }

  Watchdog watchdog_{20s};
  const std::thread::id ui_thread_ = std::this_thread::get_id();
  TImageList* images_ = new TImageList(owner_.get());
  TTrayIcon* tray_ = NewTray();
  std::atomic<bool> armed_ = true;
  bool delivering_ = false;
  int delivered_ = 0;
  int handled_ = 0;
};

struct Action {
  const char* name;
  void (*run)(TTrayIcon&);
};

const Action kActions[] = {
    {"SetTipHelp", [](TTrayIcon& t) { t.SetTipHelp(t.TipHelp() == "a" ? "b" : "a"); }},
    {"SetVisible", [](TTrayIcon& t) { t.SetVisible(true); }},
    {"SetIcon",
     [](TTrayIcon& t) {
       const TIcon other = MakeIcon(t.Icon().Handle() == 0xE1 ? 0xE2 : 0xE1);
       t.SetIcon(&other);
     }},
    {"ShowBalloon", [](TTrayIcon& t) { t.ShowBalloon(TBalloonInfoIconFlag::biifInfo, "title", "text"); }},
    {"HideBalloon", [](TTrayIcon& t) { t.HideBalloon(); }},
    {"AnimatePlay", [](TTrayIcon& t) { t.AnimatePlay(TAnimateMode::amManual); }},
    // Plays when nothing runs, so that the next call has an animation to stop.
    {"AnimateStop", [](TTrayIcon& t) { t.Animating() ? t.AnimateStop() : t.AnimatePlay(TAnimateMode::amManual); }},
};

template <TPointerAction Action, TMouseButton Button>
void SendPointer(FakeTrayPlatform& platform, std::int32_t id) {
  platform.Pointer(id, Action, Button);
}
template <TBalloonEvent Event>
void SendBalloon(FakeTrayPlatform& platform, std::int32_t id) {
  platform.Balloon(id, Event);
}

using enum TPointerAction;
using enum TMouseButton;
using enum TBalloonEvent;
const Report kReports[] = {
    {"Move", SendPointer<paMove, mbLeft>},
    {"LeftPress", SendPointer<paPress, mbLeft>},
    {"LeftRelease", SendPointer<paRelease, mbLeft>},
    {"LeftDouble", SendPointer<paDoubleClick, mbLeft>},
    {"RightPress", SendPointer<paPress, mbRight>},
    {"RightRelease", SendPointer<paRelease, mbRight>},
    {"RightDouble", SendPointer<paDoubleClick, mbRight>},
    {"MiddlePress", SendPointer<paPress, mbMiddle>},
    {"MiddleRelease", SendPointer<paRelease, mbMiddle>},
    {"BalloonShown", SendBalloon<beShown>},
    {"BalloonHidden", SendBalloon<beHidden>},
    {"BalloonTimedOut", SendBalloon<beTimedOut>},
    {"BalloonClicked", SendBalloon<beClicked>},
};
// Raises no event.
const std::string_view kUnhandled = "RightDouble";

class HandlerDuringAreaCallTest : public ReentryTest,
                                  public ::testing::WithParamInterface<std::tuple<Action, Report>> {};

TEST_P(HandlerDuringAreaCallTest, ChangesTheIconWithoutHanging) {
  const auto& [action, report] = GetParam();
  DeliverDuringEachCall(report, action.run);
  tray_->SetVisible(true);  // add
  tray_->SetTipHelp("outer tip");
  tray_->ShowBalloon(TBalloonInfoIconFlag::biifWarning, "outer", "balloon");
  tray_->HideBalloon();
  tray_->SetVisible(!tray_->Visible());  // hide, or show again
  tray_->SetVisible(true);
  platform_.Restart();
  armed_ = false;
  EXPECT_GE(delivered_, 5);
  EXPECT_EQ(handled_, report.name == kUnhandled ? 0 : delivered_);
}

INSTANTIATE_TEST_SUITE_P(SettersByReport, HandlerDuringAreaCallTest,
                         ::testing::Combine(::testing::ValuesIn(kActions), ::testing::ValuesIn(kReports)),
                         [](const auto& row) {
                           return std::string(std::get<0>(row.param).name) + "On" + std::get<1>(row.param).name;
                         });

// A handler that changes the tip while the icon is being added finds no icon
// to change yet; the area still gets the new tip once the add is through.
TEST_F(ReentryTest, ATipChangedDuringTheAddReachesTheArea) {
  DeliverDuringEachCall(kReports[0], [](TTrayIcon& t) { t.SetTipHelp("moved over"); });
  tray_->SetVisible(true);
  armed_ = false;
  const auto calls = platform_.Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].what, "add");
  EXPECT_EQ(calls[0].view.tip, "first tip");
  EXPECT_EQ(calls[1].what, "update");
  EXPECT_EQ(calls[1].view.tip, "moved over");
}

// The user-interface thread changes the tip while the animation thread waits
// in its call to the area: neither waits for the other, and the frame goes out
// with the view as it was when the frame was made (run under ThreadSanitizer).
TEST_F(ReentryTest, TheUserInterfaceChangesTheTipWhileTheAnimationThreadSends) {
  std::mutex mutex;
  std::condition_variable changed;
  bool frame_in_call = false, tip_changed = false;
  Hook([&] {
    if (std::this_thread::get_id() == ui_thread_) return;
    std::unique_lock lock(mutex);
    frame_in_call = true;
    changed.notify_all();
    changed.wait(lock, [&] { return tip_changed; });
  });
  tray_->SetVisible(true);
  platform_.Clear();
  tray_->AnimatePlay(TAnimateMode::amManual);
  {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return frame_in_call; });
  }
  tray_->SetTipHelp("changed");
  {
    const std::lock_guard lock(mutex);
    tip_changed = true;
    changed.notify_all();
  }
  tray_->AnimateThread()->WaitParked();
  armed_ = false;
  tray_->AnimateStop();
  const auto calls = platform_.Calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_TRUE(calls[0].on_test_thread);
  EXPECT_EQ(calls[0].view.tip, "changed");
  EXPECT_EQ(calls[0].view.picture, 0xF0u);  // the frame shown, in a manual animation
  EXPECT_FALSE(calls[1].on_test_thread);
  EXPECT_EQ(calls[1].view.tip, "first tip");
  EXPECT_EQ(calls[1].view.picture, 0xF0u);
  EXPECT_EQ(calls[2].view.tip, "changed");
  EXPECT_EQ(calls[2].view.picture, FakeTrayPlatform::kAppIcon);
}

}  // namespace
}  // namespace snx::testing
