#pragma once
// A recording stand-in for the system under the tray component: each shell
// call with the record's bytes, the other calls in one log, scripted answers.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "framework/core/application.h"
#include "framework/core/menu.h"
#include "trayicon/core/file_version.h"
#include "trayicon/core/tray_callback.h"
#include "trayicon/core/tray_icon.h"

namespace snx::testing {

struct ShellCall {
  std::uint32_t message;
  TNotifyIconDataV5A record;
  bool on_test_thread;
  std::string Tip() const { return record.szTip; }
};

class FakeImage final : public TIconImage {
 public:
  explicit FakeImage(TIconHandle handle) : handle_(handle) {}
  TIconHandle Handle() const override { return handle_; }

 private:
  TIconHandle handle_;
};

inline TIcon MakeIcon(TIconHandle handle) {
  TIcon icon;
  icon.SetImage(std::make_shared<FakeImage>(handle));
  return icon;
}

class FakeTrayPlatform final : public TNotifyArea,
                               public TTrayInput,
                               public TTrayForms,
                               public TSystemVersions,
                               public TApplication {
 public:
  static constexpr TIconHandle kAppIcon = 0xA990;
  static constexpr std::uint32_t kWindow = 0xCB00;

  std::uint16_t shell_major = 6;  // 0: shell32.dll without a version resource
  TOsVersion os{5, 1};
  std::deque<bool> add_results, modify_results;  // per test-thread call, then success
  std::uint32_t last_error = 0;
  TIconHandle app_icon = kAppIcon;
  TComponent* form = nullptr;  // the owner that counts as a form
  TIconHandle form_icon = 0;   // that form's icon
  std::atomic<std::uint32_t> double_click_time = 500;

  // The component takes the fake for every concern.
  operator TTrayPlatform() { return {*this, *this, *this}; }  // NOLINT(google-explicit-constructor)

  TNotifyAreaFeatures Features() override { return ShellFeatures(*this); }
  bool NotifyIcon(std::uint32_t message, const TNotifyIconDataV5A& data) override {
    if (during_shell_call) during_shell_call(message);
    std::lock_guard guard(lock_);
    const bool on_test_thread = std::this_thread::get_id() == test_thread_;
    bool result = true;
    auto& script = message == kNimAdd ? add_results : modify_results;
    if (on_test_thread && message != kNimDelete && !script.empty()) {
      result = script.front();
      script.pop_front();
    }
    calls_.push_back({message, data, on_test_thread});
    if (on_test_thread) log_.emplace_back(message == kNimAdd ? "ADD" : message == kNimModify ? "MODIFY" : "DELETE");
    changed_.notify_all();
    return result;
  }
  std::uint32_t LastError() override {
    Log("last error");
    return last_error;
  }
  void Sleep(std::uint32_t ms) override {
    if (std::this_thread::get_id() == test_thread_) return Log("sleep " + std::to_string(ms));
    {
      std::lock_guard guard(lock_);
      other_sleeps_.push_back(ms);
      changed_.notify_all();
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200));  // paces a free-running thread only
  }
  TOsVersion OsVersion() override { return os; }
  std::string SystemDirectory() override { return "C:\\WINDOWS\\system32"; }
  std::uint32_t FileVersionInfoSize(const std::string&) override { return shell_major != 0 ? 64 : 0; }
  bool FileVersionInfo(const std::string&, std::vector<std::uint8_t>& block) override { return block.size() == 64; }
  std::optional<TFixedFileVersion> RootVersion(const std::vector<std::uint8_t>&) override {
    return TFixedFileVersion{static_cast<std::uint32_t>(shell_major) << 16 | 2, 3u << 16 | 4};
  }
  TPoint CursorPos() override { return {640, 700}; }
  std::uint32_t DoubleClickTime() override { return double_click_time; }
  bool ForegroundForm(TComponent* owner) override {
    if (owner != form) return false;
    Log("foreground form");
    return true;
  }
  void ForegroundActiveForm() override { Log("foreground active form"); }
  TIconHandle FormIcon(TComponent* owner) override { return owner == form ? form_icon : 0; }
  TIconHandle ApplicationIcon() override { return app_icon; }
  std::string ToSystemCodePage(std::string_view utf8) override { return "cp:" + std::string(utf8); }
  std::unique_ptr<TCallbackWindowHost> CreateCallbackWindow(TCallbackWindow&, TComponent*) override {
    return std::make_unique<Host>(*this);
  }

  // The application's side: the message pump and menus.
  std::string ExeName() const override { return "Sonalix.exe"; }
  void ProcessMessages() override { Log("process messages"); }
  void Terminate() override { Log("terminate"); }
  TMenuItem* TrackPopupMenu(const TPopupMenu& menu, int x, int y) override {
    Log("popup " + menu.Name() + " at " + std::to_string(x) + "," + std::to_string(y));
    return nullptr;
  }

  std::vector<ShellCall> Calls() { return Copy(calls_); }
  std::vector<std::string> Log() { return Copy(log_); }
  std::vector<std::uint32_t> OtherSleeps() { return Copy(other_sleeps_); }
  void Log(std::string entry) {
    std::lock_guard guard(lock_);
    log_.push_back(std::move(entry));
  }
  void Clear() {
    std::lock_guard guard(lock_);
    calls_.clear();
    log_.clear();
    other_sleeps_.clear();
  }
  // Blocks until the shell calls from other threads, or their sleeps, reach `count`.
  void WaitForThreadCalls(std::size_t count) {
    Wait([&] {
      return std::cmp_greater_equal(
          std::count_if(calls_.begin(), calls_.end(), [](const ShellCall& c) { return !c.on_test_thread; }), count);
    });
  }
  void WaitForOtherSleeps(std::size_t count) {
    Wait([&] { return other_sleeps_.size() >= count; });
  }
  // Plays the user-interface thread: hands `count` ended single-click waits
  // to the callback component, in the order they ended.
  void DeliverSingleClickEnds(std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
      Wait([&] { return !posted_.empty(); });
      TSingleClick* thread = nullptr;
      Locked([&] {
        thread = posted_.front();
        posted_.pop_front();
      });
      CallbackWindow->SingleClickEnded(thread);
    }
  }

 protected:
  void ShowErrorBox(const std::string&, const std::string&) override {}

 private:
  class Host final : public TCallbackWindowHost {
   public:
    explicit Host(FakeTrayPlatform& platform) : platform_(platform) {}
    std::uint32_t Handle() const override { return kWindow; }
    void PostSingleClickEnd(TSingleClick* thread) override {
      platform_.Locked([&] { platform_.posted_.push_back(thread); });
    }

   private:
    FakeTrayPlatform& platform_;
  };

  template <class T>
  T Copy(const T& value) {
    std::lock_guard guard(lock_);
    return value;
  }
  template <class F>
  void Locked(F f) {
    std::lock_guard guard(lock_);
    f();
    changed_.notify_all();
  }
  template <class Done>
  void Wait(Done done) {
    std::unique_lock lock(lock_);
    changed_.wait(lock, done);
  }

  std::thread::id test_thread_ = std::this_thread::get_id();
  std::mutex lock_;
  std::condition_variable changed_;
  std::vector<ShellCall> calls_;
  std::vector<std::string> log_;
  std::vector<std::uint32_t> other_sleeps_;
  std::deque<TSingleClick*> posted_;

 public:
  // Runs at the start of every shell call, on the caller's thread and outside
  // the fake's lock, as the messages a waiting caller receives do.
  std::function<void(std::uint32_t message)> during_shell_call;
};

// A form-like owner, owned by the fake system as a form is by its application;
// what a test makes on the owner goes with it.
class TrayTest : public ::testing::Test {
 protected:
  TrayTest() { platform_.form = owner_.get(); }
  ~TrayTest() override { owner_.reset(); }

  TTrayIcon* NewTray(TComponent* tray_owner = nullptr) {
    return new TTrayIcon(tray_owner ? tray_owner : owner_.get(), platform_);
  }
  // Shown in the notification area, with the records cleared.
  TTrayIcon* ShownTray() {
    TTrayIcon* tray = NewTray();
    tray->SetVisible(true);
    platform_.Clear();
    return tray;
  }
  void Send(const TTrayIcon& tray, std::intptr_t notification) {
    TMessage message{kTrayCallbackMessage, static_cast<std::uintptr_t>(tray.IconID()), notification, 0};
    CallbackWindow->CallbackWndProc(message);
  }

  FakeTrayPlatform platform_;
  std::unique_ptr<TComponent> owner_ = std::make_unique<TComponent>(&platform_);
};

}  // namespace snx::testing
