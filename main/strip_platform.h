#pragma once
// What the strip (TSNX_MAIN, written once) takes from the platform it runs
// on, one small role each. Each platform plays them in
// main/<platform>/strip_platform.cpp; the unit tests play them with recording
// fakes (tests/unit/main/fake_strip_platform.h).
#include <memory>
#include <vector>

#include "framework/core/application.h"
#include "framework/core/ini_file.h"
#include "framework/core/monitor.h"
#include "main/core/capture_source.h"
#include "main/core/draw_guard.h"
#include "main/core/input_devices.h"
#include "main/core/level_meter.h"
#include "main/core/meter_painter.h"
#include "main/core/tick_pacing.h"
#include "trayicon/core/tray_platform.h"

namespace snx {

class TSNX_MAIN;

// The skins on the strip's window, which make the surface its painter draws on.
class TSkinSurface {
 public:
  // Loads the skins afresh (each time the strip shows). A skin that cannot be
  // loaded leaves its picture empty; nothing is reported.
  virtual void LoadSkin() = 0;
  // What the painter draws on; null while no skins are loaded.
  virtual TMeterSurface* Surface() = 0;
  // Lets go of the skins and of the window's drawing surface (the strip closes).
  virtual void ReleaseSkin() = 0;

 protected:
  ~TSkinSurface() = default;
};

// Where the settings file is. Each occasion opens it anew and lets go of it
// right after, so that nothing stays open in between.
class TSettingsPlace {
 public:
  virtual std::unique_ptr<TCustomIniFile> OpenSettings(const TApplication& application) = 0;

 protected:
  ~TSettingsPlace() = default;
};

// The desktop the strip lives on: its monitors, and the notification area
// that holds the program's icon in place of a taskbar button.
class TStripDesktop {
 public:
  // The primary monitor's first.
  virtual std::vector<TMonitor> Monitors() = 0;
  virtual const TTrayPlatform& Tray() = 0;
  // The strip is showing: `application` keeps no taskbar button.
  virtual void HideTaskbarButton(TApplication& application) = 0;

 protected:
  ~TStripDesktop() = default;
};

// What stands behind the strip's window once it exists: the skins it draws
// with, the guard its draws need, the capture that its Start and Stop
// drive, and the inputs it may meter. Released with the strip.
class TStripDevices {
 public:
  TStripDevices() = default;
  TStripDevices(const TStripDevices&) = delete;
  TStripDevices& operator=(const TStripDevices&) = delete;
  virtual ~TStripDevices() = default;

  virtual TSkinSurface& Skin() = 0;
  virtual TDrawGuard& DrawGuard() = 0;
  virtual TCaptureSource& Capture() = 0;
  virtual TInputDevices& Inputs() = 0;
};

// One platform's roles; it outlives the strips it is given.
class TStripPlatform {
 public:
  TStripPlatform() = default;
  TStripPlatform(const TStripPlatform&) = delete;
  TStripPlatform& operator=(const TStripPlatform&) = delete;
  virtual ~TStripPlatform() = default;

  virtual TSettingsPlace& SettingsPlace() = 0;
  virtual TStripDesktop& Desktop() = 0;
  // Whether the strip's timer may stop while nothing can change its picture.
  virtual bool TimerMayRest() const = 0;
  // Where the capture measures on the user-interface thread, the pacing that
  // lets its sound drive the ticks while it arrives; null where the capture
  // measures on a thread of its own and the timer alone ticks.
  virtual TTickPacing* TickPacing() = 0;
  // The devices of `strip`, whose window has just been created; the capture
  // measures into `levels`, which outlive the devices.
  virtual std::unique_ptr<TStripDevices> ConnectDevices(TSNX_MAIN& strip, TBufferMeasure& levels) = 0;
};

// The platform this build runs on.
std::unique_ptr<TStripPlatform> NativeStripPlatform();

}  // namespace snx
