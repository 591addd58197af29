// The strip's platform on Linux: PulseAudio capture, skins in X pixmaps
// drawn on the strip's window, the settings in the user's configuration
// folder.
#include "main/strip_platform.h"

#include <optional>

#include "framework/platform.h"
#include "main/core/program_folder.h"
#include "main/linux/message_box_reporter.h"
#include "main/linux/meter_skin.h"
#include "main/linux/pulse_capture.h"
#include "main/linux/settings_location.h"
#include "main/linux/skin_location.h"
#include "main/snx_main.h"
#include "trayicon/linux/linux_tray_platform.h"

// Xlib last: its macros (ButtonPress, None) break headers that come after it.
#include "framework/linux/x_window.h"

namespace snx {

namespace {

class TLinuxStripPlatform final : public TStripPlatform {
 public:
  TLinuxStripPlatform(TSNX_MAIN& strip, TChannelLevels& levels)
      : strip_(strip), levels_(levels), reporter_(strip), capture_(levels, reporter_) {
    // The strip shows nothing but its skin, not even while GTK repaints it.
    strip_.SetBackground([this](cairo_t* cr) { return skin_.PaintLast(cr); });
  }
  ~TLinuxStripPlatform() override { strip_.SetBackground(nullptr); }

  void Showing() override {
    // GTK sizes the window in its scale factor's device pixels; the skins
    // are drawn to fill it.
    skin_.LoadSkin(XDisplayOf(strip_), XWindowOf(strip_),
                   SkinFolder(ProgramFolder(strip_.OwnerApplication().ExeName())),
                   gdk_window_get_scale_factor(strip_.NativeWindow()));
  }

  void DrawMeter(bool repaint) override {
    // Drawing is a handful of requests to the X server and never runs the
    // main loop, so no tick or paint can arrive in the middle of it.
    if (strip_.Visible()) skin_.Draw(levels_, repaint);
  }

  TCaptureSource& Capture() override { return capture_; }
  // A strip that sits stopped all day wakes nothing while its bars are down.
  bool TimerMayRest() const override { return true; }

  void Closing() override { skin_.Release(); }

 private:
  TSNX_MAIN& strip_;
  const TChannelLevels& levels_;
  TMeterSkin skin_;
  // Declared in this order so that the capture, destroyed first, has ended
  // before the reporter it uses goes.
  TMessageBoxReporter reporter_;
  TPulseCapture capture_;
};

}  // namespace

std::string StripSettingsFile(const TApplication&) { return SettingsLocation(); }

const TTrayPlatform& StripTrayPlatform() { return LinuxTrayPlatform(); }

std::unique_ptr<TStripPlatform> ConnectStripPlatform(TSNX_MAIN& strip, TChannelLevels& levels) {
  return std::make_unique<TLinuxStripPlatform>(strip, levels);
}

}  // namespace snx
