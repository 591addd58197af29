// The strip's platform on Linux: PulseAudio capture, skins in X pixmaps
// drawn on the strip's window, the settings in the user's configuration
// folder.
#include "main/strip_platform.h"

#include "framework/platform.h"
#include "main/core/program_folder.h"
#include "main/linux/glib_tick_pacing.h"
#include "main/linux/message_box_reporter.h"
#include "main/linux/meter_skin.h"
#include "main/linux/pulse_capture.h"
#include "main/linux/pulse_sources.h"
#include "main/linux/settings_location.h"
#include "main/linux/skin_location.h"
#include "main/snx_main.h"
#include "trayicon/linux/linux_tray_platform.h"

// Xlib last: its macros (ButtonPress, None) break headers that come after it.
#include "framework/linux/x_window.h"

namespace snx {

namespace {

class TLinuxStripDevices final : public TStripDevices, private TSkinSurface, private TDrawGuard {
 public:
  TLinuxStripDevices(TSNX_MAIN& strip, TBufferMeasure& levels)
      : strip_(strip), reporter_(strip), capture_(levels, reporter_) {
    // The strip shows nothing but its skin, not even while GTK repaints it.
    strip_.SetBackground([this](cairo_t* cr) { return skin_.PaintLast(cr); });
  }
  ~TLinuxStripDevices() override { strip_.SetBackground(nullptr); }

  TSkinSurface& Skin() override { return *this; }
  TDrawGuard& DrawGuard() override { return *this; }
  TCaptureSource& Capture() override { return capture_; }
  TInputDevices& Inputs() override { return sources_; }

 private:
  void LoadSkin() override {
    // GTK sizes the window in its scale factor's device pixels; the skins
    // are drawn to fill it.
    skin_.LoadSkin(XDisplayOf(strip_), XWindowOf(strip_),
                   SkinFolder(ProgramFolder(strip_.OwnerApplication().ExeName())),
                   gdk_window_get_scale_factor(strip_.NativeWindow()));
  }
  TMeterSurface* Surface() override { return skin_.Loaded() ? &skin_ : nullptr; }
  void ReleaseSkin() override { skin_.Release(); }

  // Drawing is a handful of requests to the X server and never runs the
  // main loop, so no tick or paint can arrive in the middle of it.
  bool BeginDraw() override { return true; }
  void EndDraw() override {}

  TSNX_MAIN& strip_;
  TMeterSkin skin_;
  // Declared in this order so that the capture, destroyed first, has ended
  // before the reporter it uses goes.
  TMessageBoxReporter reporter_;
  TPulseCapture capture_;
  TPulseSources sources_;
};

class TLinuxStripPlatform final : public TStripPlatform, private TSettingsPlace, private TStripDesktop {
 public:
  TSettingsPlace& SettingsPlace() override { return *this; }
  TStripDesktop& Desktop() override { return *this; }
  // A strip that sits stopped all day wakes nothing while its bars are down.
  bool TimerMayRest() const override { return true; }
  // The capture measures on GLib's main loop, where the strip draws: while
  // sound arrives, each buffer ticks, and the loop wakes once per piece.
  TTickPacing* TickPacing() override { return &pacing_; }
  std::unique_ptr<TStripDevices> ConnectDevices(TSNX_MAIN& strip, TBufferMeasure& levels) override {
    return std::make_unique<TLinuxStripDevices>(strip, levels);
  }

 private:
  std::unique_ptr<TCustomIniFile> OpenSettings(const TApplication&) override {
    return std::make_unique<TIniFile>(SettingsLocation());
  }
  std::vector<TMonitor> Monitors() override { return snx::Monitors(); }
  const TTrayPlatform& Tray() override { return LinuxTrayPlatform(); }
  // No form has a taskbar entry here (framework/linux/form.h): nothing to hide.
  void HideTaskbarButton(TApplication&) override {}

  TGlibTickPacing pacing_;
};

}  // namespace

std::unique_ptr<TStripPlatform> NativeStripPlatform() { return std::make_unique<TLinuxStripPlatform>(); }

}  // namespace snx
