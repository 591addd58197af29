#pragma once
// Recording stand-ins for each role the strip's platform plays: one log of
// every role's calls in the order they came, the settings file as a map, and
// hooks that run inside a call, where a real platform could call back.
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "framework/core/utf.h"
#include "main/strip_platform.h"
#include "trayicon/core/tray_icon_ids.h"

namespace snx {

using StripLog = std::vector<std::string>;

// "Section/Key" to the text stored; what the strip wrote stays for the next run.
using SettingsValues = std::map<std::string, std::string>;

class FakeSettingsFile final : public TCustomIniFile {
 public:
  FakeSettingsFile(SettingsValues& values, bool fail_writes)
      : TCustomIniFile("/home/user/.config/sonalix/Sonalix.ini"), values_(values), fail_writes_(fail_writes) {}

  std::string ReadString(const std::string& section, const std::string& key, const std::string& fallback) override {
    const auto found = values_.find(section + "/" + key);
    return found == values_.end() ? fallback : found->second;
  }
  void WriteString(const std::string& section, const std::string& key, const std::string& value) override {
    if (fail_writes_) RaiseWriteError();
    values_[section + "/" + key] = value;
  }
  void DeleteKey(const std::string& section, const std::string& key) override {
    if (fail_writes_) RaiseWriteError();
    values_.erase(section + "/" + key);
  }

 private:
  SettingsValues& values_;
  bool fail_writes_;
};

class FakeSettingsPlace final : public TSettingsPlace {
 public:
  explicit FakeSettingsPlace(StripLog& log) : log_(log) {}
  std::unique_ptr<TCustomIniFile> OpenSettings(const TApplication&) override {
    log_.emplace_back("open settings");
    return std::make_unique<FakeSettingsFile>(values, fail_writes);
  }

  SettingsValues values;
  bool fail_writes = false;

 private:
  StripLog& log_;
};

// One monitor of 1024 x 768 with a 32-pixel panel along its top, unless the
// test says otherwise; a notification area that logs what is added to it and
// keeps the rows of each menu offered to hosts ("+" before a checked one).
class FakeStripDesktop final : public TStripDesktop,
                               private TNotifyArea,
                               private TTrayText,
                               private TTrayInput,
                               private TTrayForms {
 public:
  static constexpr TIconHandle kApplicationIcon = 0x1C0;

  explicit FakeStripDesktop(StripLog& log) : log_(log) {}

  std::vector<TMonitor> Monitors() override { return monitors; }
  const TTrayPlatform& Tray() override { return tray_; }
  void HideTaskbarButton(TApplication&) override { log_.emplace_back("hide taskbar button"); }

  std::vector<TMonitor> monitors{{{0, 0, 1024, 768}, {0, 32, 1024, 768}}};
  std::vector<TTrayIconView> shown_icons;
  std::vector<std::vector<std::string>> offered_menus;

 private:
  bool HidesInPlace() override { return true; }
  void Connect(std::int32_t, TComponent*, TTrayIconEvents&) override {}
  void Disconnect(std::int32_t) override {}
  bool Add(const TTrayIconView& view) override {
    log_.emplace_back("tray icon added");
    shown_icons.push_back(view);
    return true;
  }
  bool Update(const TTrayIconView&) override { return true; }
  bool SetShown(const TTrayIconView&) override { return true; }
  void Remove(const TTrayIconView&) override {}
  bool ShowBalloon(const TTrayIconView&, const TBalloonView&) override { return true; }
  bool HideBalloon(const TTrayIconView&) override { return true; }
  void SetMenu(std::int32_t, TPopupMenu* menu) override {
    std::vector<std::string> rows;
    for (int i = 0; menu != nullptr && i < menu->Items().Count(); ++i) {
      const TMenuItem* item = menu->Items().Items(i);
      rows.push_back((item->Checked() ? "+" : "") + item->Caption());
    }
    offered_menus.push_back(rows);
  }
  std::string Encode(std::string_view utf8) override { return std::string(utf8); }
  std::size_t CharacterLength(std::string_view text) override {
    std::size_t next = 0;
    NextCodePoint(text, next);
    return next;
  }
  std::uint32_t DoubleClickTime() override { return 500; }
  void Sleep(std::uint32_t) override {}
  void PostToUserInterface(std::function<void()> call) override { call(); }
  bool ForegroundForm(TComponent*) override { return false; }
  void ForegroundActiveForm() override {}
  TIconHandle FormIcon(TComponent*) override { return 0; }
  TIconHandle ApplicationIcon() override { return kApplicationIcon; }

  StripLog& log_;
  TTrayIconIds ids_;
  const TTrayPlatform tray_{*this, *this, *this, *this, ids_};
};

// Whether it runs, and whether it could still deliver a buffer.
class FakeCapture final : public TCaptureSource {
 public:
  explicit FakeCapture(StripLog& log) : log_(log) {}
  void Start() override {
    log_.emplace_back("capture start");
    running_ = true;
  }
  void Stop() override {
    log_.emplace_back("capture stop");
    running_ = false;
  }
  void SetDevice(std::string id) override { log_.emplace_back("capture device \"" + id + "\""); }
  bool CaptureRunning() const override { return running_; }
  bool CaptureIdle() const override { return !running_; }
  // The connection failed: capture went idle by itself.
  void Fail() { running_ = false; }

 private:
  StripLog& log_;
  bool running_ = false;
};

// The inputs present, as the test sets them; counts how often it is asked.
class FakeInputs final : public TInputDevices {
 public:
  std::vector<TInputDevice> InputDevices() override {
    ++asked;
    return devices;
  }
  std::vector<TInputDevice> devices;
  int asked = 0;
};

// The skins' surface: counts the copies into the canvas, logs each time the
// canvas is shown in the window and what of it.
class FakeSkin final : public TSkinSurface, private TMeterSurface {
 public:
  explicit FakeSkin(StripLog& log) : log_(log) {}

  void LoadSkin() override {
    log_.emplace_back("load skin");
    loaded_ = true;
  }
  TMeterSurface* Surface() override { return loaded_ ? this : nullptr; }
  void ReleaseSkin() override {
    log_.emplace_back("release skin");
    loaded_ = false;
  }

  int copies = 0;
  // Runs inside the next Present, once: where a platform's drawing could
  // handle a tick of its own.
  std::function<void()> during_present;

 private:
  void Copy(TMeterSource, int, int, int, int, int, int) override { ++copies; }
  void Present(std::span<const TMeterRect> parts) override {
    if (parts.size() == 1 && parts[0] == kWholeMeter) {
      log_.emplace_back("show whole strip");
    } else {
      log_.emplace_back("show " + std::to_string(parts.size()) + " rows");
    }
    if (during_present) std::exchange(during_present, nullptr)();
  }

  StripLog& log_;
  bool loaded_ = false;
};

// A clock the test sets and the one wake-up the strip asked for, fired when
// the test says.
class FakePacing final : public TTickPacing {
 public:
  TPacerTime Now() override { return now; }
  void SetWoken(std::function<void()> woken) override { woken_ = std::move(woken); }
  void WakeAt(TPacerTime when) override { wake = when; }
  void CancelWake() override { wake.reset(); }

  // Moves the clock to the wake-up asked for and wakes the strip.
  void Wake() {
    now = *wake;
    wake.reset();
    woken_();
  }

  TPacerTime now{1000000};
  std::optional<TPacerTime> wake;

 private:
  std::function<void()> woken_;
};

// A platform whose drawing runs no loop: nothing to guard against.
class UnguardedDraws final : public TDrawGuard {
 public:
  bool BeginDraw() override { return true; }
  void EndDraw() override {}
};

class FakeStripPlatform final : public TStripPlatform {
 public:
  TSettingsPlace& SettingsPlace() override { return settings; }
  TStripDesktop& Desktop() override { return desktop; }
  bool TimerMayRest() const override { return may_rest; }
  TTickPacing* TickPacing() override { return paced ? &pacing : nullptr; }
  std::unique_ptr<TStripDevices> ConnectDevices(TSNX_MAIN& strip, TBufferMeasure& measure) override;

  bool may_rest = false;
  // The capture measures on the user-interface thread, and its sound paces the ticks.
  bool paced = false;
  FakePacing pacing;
  // Each draw first lets the application handle its messages, as on Win32.
  bool pumping = false;
  StripLog log;
  FakeSettingsPlace settings{log};
  FakeStripDesktop desktop{log};
  FakeCapture capture{log};
  FakeInputs inputs;
  FakeSkin skin{log};
  // What the strip's capture measures into, once the devices are connected.
  TBufferMeasure* levels = nullptr;
};

class FakeStripDevices final : public TStripDevices {
 public:
  // `pumping`: the application that each draw lets handle its messages first.
  FakeStripDevices(FakeStripPlatform& platform, TApplication* pumping) : platform_(platform) {
    if (pumping != nullptr) pumping_.emplace(*pumping);
  }
  ~FakeStripDevices() override { platform_.log.emplace_back("devices released"); }

  TSkinSurface& Skin() override { return platform_.skin; }
  TDrawGuard& DrawGuard() override { return pumping_ ? static_cast<TDrawGuard&>(*pumping_) : unguarded_; }
  TCaptureSource& Capture() override { return platform_.capture; }
  TInputDevices& Inputs() override { return platform_.inputs; }

 private:
  FakeStripPlatform& platform_;
  std::optional<TPumpingDrawGuard> pumping_;
  UnguardedDraws unguarded_;
};

inline std::unique_ptr<TStripDevices> FakeStripPlatform::ConnectDevices(TSNX_MAIN&, TBufferMeasure& measure) {
  log.emplace_back("connect devices");
  levels = &measure;
  return std::make_unique<FakeStripDevices>(*this, pumping ? &Application() : nullptr);
}

}  // namespace snx
