// The strip's platform on Win32: winmm capture, GDI skins drawn on the
// window's device context, the settings beside the program.
#include "main/strip_platform.h"
#include <windows.h>

#include <optional>
#include <string>

#include "framework/win32/handles.h"
#include "main/core/main_settings.h"
#include "main/core/program_folder.h"
#include "main/snx_main.h"
#include "main/win32/message_box_reporter.h"
#include "main/win32/meter_skin.h"
#include "main/win32/winmm_wave_in.h"
#include "main/winmm/winmm_capture.h"
#include "trayicon/win32/win32_tray_platform.h"

namespace snx {

namespace {

// The window's device context is the strip's from its creation to its close.
class TWin32StripDevices final : public TStripDevices, private TSkinSurface {
 public:
  TWin32StripDevices(TSNX_MAIN& strip, TBufferMeasure& levels)
      : strip_(strip),
        window_dc_(std::in_place, strip.Handle()),
        guard_(strip.OwnerApplication()),
        reporter_(strip),
        capture_(wave_device_, levels, reporter_) {}

  TSkinSurface& Skin() override { return *this; }
  TDrawGuard& DrawGuard() override { return guard_; }
  TCaptureSource& Capture() override { return capture_; }
  TInputDevices& Inputs() override { return wave_device_; }

 private:
  // A show after the close finds the window's context gone, and draws nowhere.
  void LoadSkin() override {
    skin_.LoadSkin(window_dc_ ? window_dc_->Get() : nullptr, ProgramFolder(strip_.OwnerApplication().ExeName()));
  }
  TMeterSurface* Surface() override { return skin_.Loaded() ? &skin_ : nullptr; }
  void ReleaseSkin() override {
    skin_.Release();
    window_dc_.reset();
  }

  TSNX_MAIN& strip_;
  std::optional<TWindowDC> window_dc_;
  TMeterSkin skin_;
  TPumpingDrawGuard guard_;
  // Declared in this order so that the capture, destroyed first, has ended
  // before the device and the reporter it uses go.
  TWinmmWaveIn wave_device_;
  TMessageBoxReporter reporter_;
  TWinmmCapture capture_;
};

class TWin32StripPlatform final : public TStripPlatform, private TSettingsPlace, private TStripDesktop {
 public:
  TSettingsPlace& SettingsPlace() override { return *this; }
  TStripDesktop& Desktop() override { return *this; }
  // The strip keeps its 10 ms timer whatever happens, as it always has.
  bool TimerMayRest() const override { return false; }
  // winmm measures on its own thread: the 10 ms timer alone ticks.
  TTickPacing* TickPacing() override { return nullptr; }
  std::unique_ptr<TStripDevices> ConnectDevices(TSNX_MAIN& strip, TBufferMeasure& levels) override {
    return std::make_unique<TWin32StripDevices>(strip, levels);
  }

 private:
  std::unique_ptr<TCustomIniFile> OpenSettings(const TApplication& application) override {
    return std::make_unique<TIniFile>(SettingsPath(application.ExeName()));
  }
  std::vector<TMonitor> Monitors() override { return snx::Monitors(); }
  const TTrayPlatform& Tray() override { return Win32TrayPlatform(); }
  // The application's own window carries the taskbar button.
  void HideTaskbarButton(TApplication& application) override {
    ShowWindow(dynamic_cast<TWin32Application&>(application).Handle(), SW_HIDE);
  }
};

}  // namespace

std::unique_ptr<TStripPlatform> NativeStripPlatform() { return std::make_unique<TWin32StripPlatform>(); }

}  // namespace snx
