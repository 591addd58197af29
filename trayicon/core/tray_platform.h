#pragma once
// What the tray component needs of the system. The shell is reached through
// one call that takes the whole record; the rest are small services. A Win32
// implementation stands behind it in the program, a recording fake in tests.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/geometry.h"
#include "trayicon/core/icon.h"
#include "trayicon/core/notify_icon_data.h"

namespace snx {

class TCallbackWindow;
class TComponent;
class TSingleClick;

struct TOsVersion {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
};

// The fixed file information's two version words.
struct TFixedFileVersion {
  std::uint32_t ms = 0;
  std::uint32_t ls = 0;
};

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

class TTrayPlatform {
 public:
  // The shell: kNimAdd, kNimModify or kNimDelete with the record; true on success.
  virtual bool NotifyIcon(std::uint32_t message, const TNotifyIconDataV5A& data) = 0;
  // The calling thread's last error code.
  virtual std::uint32_t LastError() = 0;
  virtual void Sleep(std::uint32_t milliseconds) = 0;

  virtual TOsVersion OsVersion() = 0;
  virtual std::string SystemDirectory() = 0;
  // Version resources: the size of a file's block (0 when it has none), the
  // block itself into a buffer of that size, and the block's root entry.
  virtual std::uint32_t FileVersionInfoSize(const std::string& file) = 0;
  virtual bool FileVersionInfo(const std::string& file, std::vector<std::uint8_t>& block) = 0;
  virtual std::optional<TFixedFileVersion> RootVersion(const std::vector<std::uint8_t>& block) = 0;

  // The cursor in screen coordinates.
  virtual TPoint CursorPos() = 0;
  virtual std::uint32_t DoubleClickTime() = 0;
  // Brings `owner` to the foreground when it is a form; false when it is none.
  virtual bool ForegroundForm(TComponent* owner) = 0;
  // Brings the program's active form, if it has one, to the foreground.
  virtual void ForegroundActiveForm() = 0;

  // The icon of `owner` when it is a form that has one, else 0.
  virtual TIconHandle FormIcon(TComponent* owner) = 0;
  virtual TIconHandle ApplicationIcon() = 0;

  // Form descriptions hold UTF-8; the record's texts are in the system code page.
  virtual std::string ToSystemCodePage(std::string_view utf8) = 0;

  // The hidden window that receives the shell's notifications for `window`, as a child of `parent`.
  virtual std::unique_ptr<TCallbackWindowHost> CreateCallbackWindow(TCallbackWindow& window, TComponent* parent) = 0;

 protected:
  ~TTrayPlatform() = default;
};

}  // namespace snx
