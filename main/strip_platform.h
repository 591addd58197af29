#pragma once
// What the strip (TSNX_MAIN, written once) takes from the platform it runs
// on: where its settings live, the tray its icon sits in and, once its window
// exists, the devices behind its commands and its picture. Each platform
// defines these in main/<platform>/strip_platform.cpp; the build links one.
#include <memory>
#include <string>

#include "main/core/capture_source.h"
#include "main/core/level_meter.h"
#include "trayicon/core/tray_platform.h"

namespace snx {

class TApplication;
class TSNX_MAIN;

// The strip's devices: the capture that measures into its levels (with the
// error box that reports its failures) and the skin that draws them.
class TStripPlatform {
 public:
  TStripPlatform() = default;
  TStripPlatform(const TStripPlatform&) = delete;
  TStripPlatform& operator=(const TStripPlatform&) = delete;
  virtual ~TStripPlatform() = default;

  // The strip is about to show: loads the skins.
  virtual void Showing() = 0;
  // The strip's timer ticked (`repaint` false) or its window lost its pixels
  // (true): draws the levels.
  virtual void DrawMeter(bool repaint) = 0;
  // What the strip's Start and Stop drive.
  virtual TCaptureSource& Capture() = 0;
  // Whether the strip's timer may stop while nothing can change its picture.
  virtual bool TimerMayRest() const = 0;
  // The strip is closing: lets go of the skins and the window's surface.
  virtual void Closing() = 0;
};

// The settings file's full path.
std::string StripSettingsFile(const TApplication& application);
const TTrayPlatform& StripTrayPlatform();
// The devices of `strip`, made as its window is created; capture measures
// into `levels`, which outlive them.
std::unique_ptr<TStripPlatform> ConnectStripPlatform(TSNX_MAIN& strip, TChannelLevels& levels);

}  // namespace snx
