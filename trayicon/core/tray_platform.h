#pragma once
// What the tray component needs of the system, by concern: the notification
// area (with the hidden window it reports to), the pointer and the clock, and
// the program's forms. Each platform gathers its implementations in one
// TTrayPlatform; the unit tests use a recording fake.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "framework/core/geometry.h"
#include "trayicon/core/icon.h"
#include "trayicon/core/notify_icon_data.h"

namespace snx {

class TCallbackWindow;
class TComponent;
class TSingleClick;

// The hidden window that the platform makes for TCallbackWindow: the shell
// sends it the notifications, and it hands them to the component.
class TCallbackWindowHost {
 public:
  virtual ~TCallbackWindowHost() = default;
  // The window handle the shell sends notifications to.
  virtual std::uint32_t Handle() const = 0;
  // Called on the single-click thread as its wait ends; the user-interface
  // thread then calls TCallbackWindow::SingleClickEnded with it.
  virtual void PostSingleClickEnd(TSingleClick* thread) = 0;
};

// How much of the record a notification area understands.
struct TNotifyAreaFeatures {
  // The whole record: balloons, and icons hidden in place. Otherwise only its
  // first 88 bytes: hiding deletes the icon and balloons show nothing.
  bool full_record = true;
  // A failed add may only have timed out and is worth probing and repeating.
  bool add_may_time_out = false;
};

class TNotifyArea {
 public:
  // Asked once per icon, at its construction.
  virtual TNotifyAreaFeatures Features() = 0;
  // kNimAdd, kNimModify or kNimDelete with the record; true on success.
  virtual bool NotifyIcon(std::uint32_t message, const TNotifyIconDataV5A& data) = 0;
  // The calling thread's last error code, after a failed NotifyIcon.
  virtual std::uint32_t LastError() = 0;
  // Form descriptions hold UTF-8; the record's texts are in the area's encoding.
  virtual std::string ToSystemCodePage(std::string_view utf8) = 0;
  // The hidden window that receives the area's notifications for `window`, as a child of `parent`.
  virtual std::unique_ptr<TCallbackWindowHost> CreateCallbackWindow(TCallbackWindow& window, TComponent* parent) = 0;

 protected:
  ~TNotifyArea() = default;
};

class TTrayInput {
 public:
  // The cursor in screen coordinates.
  virtual TPoint CursorPos() = 0;
  virtual std::uint32_t DoubleClickTime() = 0;
  virtual void Sleep(std::uint32_t milliseconds) = 0;

 protected:
  ~TTrayInput() = default;
};

class TTrayForms {
 public:
  // Brings `owner` to the foreground when it is a form; false when it is none.
  virtual bool ForegroundForm(TComponent* owner) = 0;
  // Brings the program's active form, if it has one, to the foreground.
  virtual void ForegroundActiveForm() = 0;
  // The icon of `owner` when it is a form that has one, else 0.
  virtual TIconHandle FormIcon(TComponent* owner) = 0;
  virtual TIconHandle ApplicationIcon() = 0;

 protected:
  ~TTrayForms() = default;
};

// One platform's implementations; each outlives the tray icons given it.
struct TTrayPlatform {
  TNotifyArea& area;
  TTrayInput& input;
  TTrayForms& forms;
};

}  // namespace snx
