#pragma once
// A recording stand-in for the system under the tray component: each request
// to the notification area with the view it carried, the other calls in one
// log, scripted answers, and the area's reports played by the test.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "framework/core/application.h"
#include "framework/core/menu.h"
#include "framework/core/utf.h"
#include "tests/patience.h"
#include "trayicon/core/tray_icon.h"

namespace snx::testing {

struct AreaCall {
  std::string what;  // add, update, show, hide, remove, balloon, hide balloon
  TTrayIconView view;
  TBalloonView balloon;
  bool on_test_thread;
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
                               public TTrayText,
                               public TTrayInput,
                               public TTrayForms,
                               public TApplication {
 public:
  static constexpr TIconHandle kAppIcon = 0xA990;

  bool hides_in_place = true;
  // Answers to the test thread's calls, in order; then success.
  std::deque<bool> add_results, change_results;
  TIconHandle app_icon = kAppIcon;
  TComponent* form = nullptr;  // the owner that counts as a form
  TIconHandle form_icon = 0;   // that form's icon
  std::atomic<std::uint32_t> double_click_time = 500;
  TTrayIconIds ids;

  // The component takes the fake for every concern.
  operator TTrayPlatform() { return {*this, *this, *this, *this, ids}; }  // NOLINT(google-explicit-constructor)

  bool HidesInPlace() override { return hides_in_place; }
  void Connect(std::int32_t id, TComponent* /*owner*/, TTrayIconEvents& events) override {
    Locked([&] { connected_[id] = &events; });
  }
  void Disconnect(std::int32_t id) override {
    Locked([&] { connected_.erase(id); });
  }
  bool Add(const TTrayIconView& view) override { return Call("add", view, {}, &add_results); }
  bool Update(const TTrayIconView& view) override { return Call("update", view, {}, &change_results); }
  bool SetShown(const TTrayIconView& view) override {
    return Call(view.visible ? "show" : "hide", view, {}, &change_results);
  }
  void Remove(const TTrayIconView& view) override { Call("remove", view, {}, nullptr); }
  bool ShowBalloon(const TTrayIconView& view, const TBalloonView& balloon) override {
    return Call("balloon", view, balloon, &change_results);
  }
  bool HideBalloon(const TTrayIconView& view) override { return Call("hide balloon", view, {}, &change_results); }
  // Each offer of a host's menu (MenuOffers), with the captions it had then,
  // "+" before a checked one.
  void SetMenu(std::int32_t id, TPopupMenu* menu) override {
    std::string entry = "menu " + std::to_string(id) + ":";
    if (menu == nullptr) {
      entry += " none";
    } else {
      for (int i = 0; i < menu->Items().Count(); ++i) {
        const TMenuItem* item = menu->Items().Items(i);
        entry += std::string(" ") + (item->Checked() ? "+" : "") + item->Caption();
      }
    }
    Locked([&] { menu_offers_.push_back(std::move(entry)); });
  }

  // The area speaks UTF-8, and marks what it was handed from a form description.
  std::string Encode(std::string_view utf8) override { return "cp:" + std::string(utf8); }
  std::size_t CharacterLength(std::string_view text) override {
    std::size_t next = 0;
    NextCodePoint(text, next);
    return next;
  }

  std::uint32_t DoubleClickTime() override { return double_click_time; }
  void Sleep(std::uint32_t ms) override {
    if (std::this_thread::get_id() == test_thread_) return Log("sleep " + std::to_string(ms));
    Locked([&] { other_sleeps_.push_back(ms); });
    std::this_thread::sleep_for(std::chrono::microseconds(200));  // paces a free-running thread only
  }
  void PostToUserInterface(std::function<void()> call) override {
    Locked([&] { posted_.push_back(std::move(call)); });
  }

  bool ForegroundForm(TComponent* owner) override {
    if (owner != form) return false;
    Log("foreground form");
    return true;
  }
  void ForegroundActiveForm() override { Log("foreground active form"); }
  TIconHandle FormIcon(TComponent* owner) override { return owner == form ? form_icon : 0; }
  TIconHandle ApplicationIcon() override { return app_icon; }

  // The application's side: the message pump and menus.
  std::string ExeName() const override { return "Sonalix.exe"; }
  void ProcessMessages() override {
    Log("process messages");
    if (const auto arrives = std::exchange(during_process_messages, nullptr)) arrives();
  }
  void Terminate() override { Log("terminate"); }
  TMenuItem* TrackPopupMenu(const TPopupMenu& menu, int x, int y) override {
    Log("popup " + menu.Name() + " at " + std::to_string(x) + "," + std::to_string(y));
    if (const auto arrives = std::exchange(during_popup, nullptr)) arrives();
    return nullptr;
  }
  // Run once, inside the next pump or menu loop: what arrives while it runs.
  std::function<void()> during_process_messages;
  std::function<void()> during_popup;

  // Plays the area's reports on the test thread; an icon not connected hears nothing.
  void Pointer(std::int32_t id, TPointerAction action, TMouseButton button = TMouseButton::mbLeft) {
    if (TTrayIconEvents* events = EventsOf(id)) events->PointerEvent({action, button, {640, 700}});
  }
  void Balloon(std::int32_t id, TBalloonEvent event) {
    if (TTrayIconEvents* events = EventsOf(id)) events->BalloonEvent(event);
  }
  // The area started anew: each connected icon hears it, lowest identifier first.
  void Restart() {
    std::vector<std::int32_t> ids_now;
    Locked([&] {
      for (const auto& [id, events] : connected_) ids_now.push_back(id);
    });
    for (const std::int32_t id : ids_now) {
      if (TTrayIconEvents* events = EventsOf(id)) events->AreaRestarted();
    }
  }

  std::vector<AreaCall> Calls() { return Copy(calls_); }
  std::vector<std::string> Log() { return Copy(log_); }
  std::vector<std::string> MenuOffers() { return Copy(menu_offers_); }
  std::vector<std::uint32_t> OtherSleeps() { return Copy(other_sleeps_); }
  void Log(std::string entry) {
    Locked([&] { log_.push_back(std::move(entry)); });
  }
  void Clear() {
    Locked([&] {
      calls_.clear();
      log_.clear();
      menu_offers_.clear();
      other_sleeps_.clear();
    });
  }
  // Blocks until the calls from other threads, or their sleeps, reach `count`.
  void WaitForThreadCalls(std::size_t count) {
    Wait([&] {
      return std::cmp_greater_equal(
          std::count_if(calls_.begin(), calls_.end(), [](const AreaCall& c) { return !c.on_test_thread; }), count);
    });
  }
  void WaitForOtherSleeps(std::size_t count) {
    Wait([&] { return other_sleeps_.size() >= count; });
  }
  // Plays the user-interface thread: runs `count` posted calls, in the order
  // they were posted, each once it has come.
  void RunPosted(std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
      Wait([&] { return !posted_.empty(); });
      std::function<void()> call;
      Locked([&] {
        call = std::move(posted_.front());
        posted_.pop_front();
      });
      call();
    }
  }

  // Runs at the start of every call to the area, on the caller's thread and
  // outside the fake's lock, as the reports a waiting caller receives do.
  std::function<void(const std::string& what)> during_call;

 protected:
  void ShowErrorBox(const std::string&, const std::string&) override {}

 private:
  bool Call(const std::string& what, const TTrayIconView& view, const TBalloonView& balloon, std::deque<bool>* script) {
    if (during_call) during_call(what);
    std::lock_guard guard(lock_);
    const bool on_test_thread = std::this_thread::get_id() == test_thread_;
    bool result = true;
    if (on_test_thread && script != nullptr && !script->empty()) {
      result = script->front();
      script->pop_front();
    }
    calls_.push_back({what, view, balloon, on_test_thread});
    if (on_test_thread) log_.push_back(what);
    changed_.notify_all();
    return result;
  }
  TTrayIconEvents* EventsOf(std::int32_t id) {
    std::lock_guard guard(lock_);
    const auto found = connected_.find(id);
    return found != connected_.end() ? found->second : nullptr;
  }
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
  // A call that never comes fails the test instead of hanging it.
  template <class Done>
  void Wait(Done done) {
    std::unique_lock lock(lock_);
    if (!changed_.wait_for(lock, kPatience, done)) ADD_FAILURE() << "a call the test waited for never came";
  }

  std::thread::id test_thread_ = std::this_thread::get_id();
  std::mutex lock_;
  std::condition_variable changed_;
  std::map<std::int32_t, TTrayIconEvents*> connected_;
  std::vector<AreaCall> calls_;
  std::vector<std::string> log_;
  std::vector<std::string> menu_offers_;
  std::vector<std::uint32_t> other_sleeps_;
  std::deque<std::function<void()>> posted_;
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

  FakeTrayPlatform platform_;
  std::unique_ptr<TComponent> owner_ = std::make_unique<TComponent>(&platform_);
};

}  // namespace snx::testing
