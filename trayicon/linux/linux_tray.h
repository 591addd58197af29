#pragma once
// The tray component on the Linux desktop: each icon is a StatusNotifierItem
// while a host shows it (a watcher holds it and has a host registered), and
// a GtkStatusIcon (XEmbed tray) otherwise. The
// icons' clicks reach the core's TCallbackWindow as the Win32 shell's
// messages, so the core opens its menus exactly as on Windows.
//
// The program gives it, with its own forms, to every TTrayIcon:
//   TLinuxTray tray(TLinuxTray::SessionBusAddress());
//   const TTrayPlatform platform{tray, tray, forms};
//   new TTrayIcon(owner, platform);
// Everything runs on the thread whose GLib main context is the default one,
// except what the core's threads call (NotifyIcon, Sleep, DoubleClickTime,
// PostSingleClickEnd), which is safe from any thread.
#include <gtk/gtk.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "trayicon/core/tray_platform.h"
#include "trayicon/linux/tray_picture.h"

namespace snx {

class TLinuxTrayIcon;
class TGLibCallbackHost;

// Which of the two shows an icon.
enum class TTrayPresence : std::uint8_t { tpNone, tpStatusNotifierItem, tpStatusIcon };

class TLinuxTray final : public TNotifyArea, public TTrayInput {
 public:
  // `bus_address` empty: no session bus, so the XEmbed tray only.
  explicit TLinuxTray(std::string bus_address);
  ~TLinuxTray();
  TLinuxTray(const TLinuxTray&) = delete;
  TLinuxTray& operator=(const TLinuxTray&) = delete;

  // The session bus of this desktop, or empty when there is none.
  static std::string SessionBusAddress();

  // A picture that icons can show, by the handle of the returned image.
  TIconImagePtr AddPicture(TTrayPicture picture);
  // The program's icon, for the forms' ApplicationIcon.
  const TIconImagePtr& ProgramIcon() const { return program_icon_; }

  TTrayPresence Presence(std::uint32_t id) const;
  // The GtkStatusIcon of icon `id` while it shows, else null.
  GtkStatusIcon* StatusIcon(std::uint32_t id) const;

  // TNotifyArea: the whole record; nothing here times out.
  TNotifyAreaFeatures Features() override { return {.full_record = true, .add_may_time_out = false}; }
  bool NotifyIcon(std::uint32_t message, const TNotifyIconDataV5A& data) override;
  std::uint32_t LastError() override { return 0; }
  // Linux speaks UTF-8 throughout.
  std::string ToSystemCodePage(std::string_view utf8) override { return std::string(utf8); }
  std::unique_ptr<TCallbackWindowHost> CreateCallbackWindow(TCallbackWindow& window, TComponent* parent) override;

  // TTrayInput: while a click is handed on, the cursor is where the click was.
  TPoint CursorPos() override;
  std::uint32_t DoubleClickTime() override { return double_click_time_; }
  void Sleep(std::uint32_t milliseconds) override;

 private:
  friend class TLinuxTrayIcon;
  friend class TGLibCallbackHost;

  bool Apply(std::uint32_t message, const TNotifyIconDataV5A& data);
  // The picture of a handle, or null when it names none or one that has gone.
  std::shared_ptr<const TTrayPictureImage> Picture(TIconHandle handle);
  // Hands a mouse message of icon `id` to the callback window `window`.
  void Deliver(std::uint32_t window, std::uint32_t id, std::intptr_t message, TPoint at);
  static void DoubleClickTimeChanged(GObject* settings, GParamSpec* changed_property, gpointer self);

  std::string bus_address_;
  GMainContext* context_;
  std::thread::id ui_thread_;
  // What calls from other threads carry: cleared as the tray goes.
  std::shared_ptr<std::atomic<TLinuxTray*>> alive_;
  std::map<std::uint32_t, std::unique_ptr<TLinuxTrayIcon>> icons_;
  std::map<TIconHandle, std::weak_ptr<const TTrayPictureImage>> pictures_;
  std::map<std::uint32_t, TGLibCallbackHost*> hosts_;
  TIconHandle next_picture_ = 1;
  std::uint32_t next_window_ = 1;
  std::optional<TPoint> click_at_;
  std::atomic<std::uint32_t> double_click_time_ = 400;
  gulong settings_handler_ = 0;
  TIconImagePtr program_icon_;
};

}  // namespace snx
