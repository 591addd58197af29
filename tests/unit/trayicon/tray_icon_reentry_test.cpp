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

// The shell delivers a notification to the waiting user-interface thread
// during its shell calls, and the handler changes the icon again.
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

  // Runs `during` at the start of each shell call while armed; set before any
  // other thread can call the shell.
  void Hook(std::function<void(std::uint32_t message)> during) {
    platform_.during_shell_call = [this, during = std::move(during)](std::uint32_t message) {
      if (armed_) during(message);
    };
  }
  // Delivers `notification` during every shell call of the user-interface
  // thread but the nested ones; every event of the icon runs `action`.
  void DeliverDuringEachCall(std::intptr_t notification, std::function<void(TTrayIcon&)> action) {
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
    Hook([this, notification](std::uint32_t) {
      if (std::this_thread::get_id() != ui_thread_ || delivering_) return;
      delivering_ = true;
      ++delivered_;
      Send(*tray_, notification);
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

// Mouse messages 0x200 to 0x208 and balloon notifications 0x402 to 0x405.
const std::intptr_t kNotifications[] = {0x200, 0x201, 0x202, 0x203, 0x204, 0x205, 0x206,
                                        0x207, 0x208, 0x402, 0x403, 0x404, 0x405};
constexpr std::intptr_t kUnhandled = 0x206;

class HandlerDuringShellCallTest : public ReentryTest,
                                   public ::testing::WithParamInterface<std::tuple<Action, std::intptr_t>> {};

TEST_P(HandlerDuringShellCallTest, ChangesTheIconWithoutHanging) {
  const auto& [action, notification] = GetParam();
  DeliverDuringEachCall(notification, action.run);
  tray_->SetVisible(true);  // add
  tray_->SetTipHelp("outer tip");
  tray_->ShowBalloon(TBalloonInfoIconFlag::biifWarning, "outer", "balloon");
  tray_->HideBalloon();
  tray_->SetVisible(!tray_->Visible());  // hide, or show again
  tray_->SetVisible(true);
  CallbackWindow->TaskbarCreated();
  armed_ = false;
  EXPECT_GE(delivered_, 5);
  EXPECT_EQ(handled_, notification == kUnhandled ? 0 : delivered_);
}

INSTANTIATE_TEST_SUITE_P(SettersByNotification, HandlerDuringShellCallTest,
                         ::testing::Combine(::testing::ValuesIn(kActions), ::testing::ValuesIn(kNotifications)),
                         [](const auto& row) {
                           char hex[8];
                           std::snprintf(hex, sizeof hex, "%03llX",
                                         static_cast<unsigned long long>(std::get<1>(row.param)));
                           return std::string(std::get<0>(row.param).name) + "On" + hex;
                         });

// A handler that changes the tip while the icon is being added finds no icon
// to change yet; the shell still gets the new tip once the add is through.
TEST_F(ReentryTest, ATipChangedDuringTheAddReachesTheShell) {
  DeliverDuringEachCall(0x200, [](TTrayIcon& t) { t.SetTipHelp("moved over"); });
  tray_->SetVisible(true);
  armed_ = false;
  const auto calls = platform_.Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].message, kNimAdd);
  EXPECT_EQ(calls[0].Tip(), "first tip");
  EXPECT_EQ(calls[1].message, kNimModify);
  EXPECT_EQ(calls[1].Tip(), "moved over");
}

// The user-interface thread changes the tip while the animation thread waits
// in its shell call: neither waits for the other, and the frame goes out with
// the record as it was when the frame was filled (run under ThreadSanitizer).
TEST_F(ReentryTest, TheUserInterfaceChangesTheTipWhileTheAnimationThreadSends) {
  std::mutex mutex;
  std::condition_variable changed;
  bool frame_in_call = false, tip_changed = false;
  Hook([&](std::uint32_t) {
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
  EXPECT_EQ(calls[0].Tip(), "changed");
  EXPECT_EQ(calls[0].record.hIcon, 0xF0u);  // the frame shown, in a manual animation
  EXPECT_FALSE(calls[1].on_test_thread);
  EXPECT_EQ(calls[1].Tip(), "first tip");
  EXPECT_EQ(calls[1].record.hIcon, 0xF0u);
  EXPECT_EQ(calls[2].Tip(), "changed");
  EXPECT_EQ(calls[2].record.hIcon, FakeTrayPlatform::kAppIcon);
}

}  // namespace
}  // namespace snx::testing
