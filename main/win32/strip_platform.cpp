// The strip's platform on Win32: winmm capture, GDI skins drawn on the
// window's device context, the settings beside the program.
#include "main/strip_platform.h"
#include <windows.h>

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

class TWin32StripPlatform final : public TStripPlatform {
 public:
  TWin32StripPlatform(TSNX_MAIN& strip, TChannelLevels& levels)
      : strip_(strip),
        levels_(levels),
        window_dc_(GetDC(strip.Handle())),
        reporter_(strip),
        capture_(wave_device_, levels, reporter_) {}

  void Showing() override {
    // The strip has no taskbar button: the application's window would show one.
    ShowWindow(strip_.OwnerApplication().Handle(), SW_HIDE);
    skin_.LoadSkin(window_dc_, ProgramFolder(strip_.OwnerApplication().ExeName()));
  }

  void DrawMeter(bool repaint) override {
    // A tick or paint handled in here draws again; draw_busy_ keeps that
    // nested draw from drawing over this one.
    strip_.OwnerApplication().ProcessMessages();
    if (draw_busy_ || !strip_.Visible()) return;
    draw_busy_ = true;
    skin_.Draw(window_dc_, levels_, repaint);
    draw_busy_ = false;
  }

  TCaptureSource& Capture() override { return capture_; }
  // The strip keeps its 10 ms timer whatever happens, as it always has.
  bool TimerMayRest() const override { return false; }

  void Closing() override {
    skin_.Release();
    if (window_dc_ != nullptr) ReleaseDC(strip_.Handle(), window_dc_);
    window_dc_ = nullptr;
  }

 private:
  TSNX_MAIN& strip_;
  const TChannelLevels& levels_;
  HDC window_dc_;
  TMeterSkin skin_;
  bool draw_busy_ = false;
  // Declared in this order so that the capture, destroyed first, has ended
  // before the device and the reporter it uses go.
  TWinmmWaveIn wave_device_;
  TMessageBoxReporter reporter_;
  TWinmmCapture capture_;
};

}  // namespace

std::string StripSettingsFile(const TApplication& application) { return SettingsPath(application.ExeName()); }

const TTrayPlatform& StripTrayPlatform() { return Win32TrayPlatform(); }

std::unique_ptr<TStripPlatform> ConnectStripPlatform(TSNX_MAIN& strip, TChannelLevels& levels) {
  return std::make_unique<TWin32StripPlatform>(strip, levels);
}

}  // namespace snx
