#pragma once
// The tray component on the Linux desktop: an icon is a StatusNotifierItem
// while a host shows it (a watcher holds it and has a host registered), and
// a GtkStatusIcon (XEmbed tray) otherwise, both made from the core's views.
// The process's connection to the session bus holds one item at a time: an
// icon added while another is the item docks in the XEmbed tray only.
//
// The program gives it, with its own forms, to every TTrayIcon:
//   TLinuxTray tray(TLinuxTray::SessionBus());
//   TTrayIconIds ids;
//   const TTrayPlatform platform{tray, tray, tray, forms, ids};
//   new TTrayIcon(owner, platform);
// Everything runs on the thread whose GLib main context is the default one,
// except what the core's threads call (Update, Sleep, DoubleClickTime,
// PostToUserInterface), which is safe from any thread.
#include <gtk/gtk.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "trayicon/core/tray_platform.h"
#include "trayicon/linux/tray_picture.h"

namespace snx {

class TLinuxTrayIcon;

// Which of the two shows an icon.
enum class TTrayPresence : std::uint8_t { tpNone, tpStatusNotifierItem, tpStatusIcon };
// Whether icons may be items on the session bus (the one that
// DBUS_SESSION_BUS_ADDRESS names), or dock in the XEmbed tray only.
enum class TTrayBus : std::uint8_t { tbNone, tbSession };

class TLinuxTray final : public TNotifyArea, public TTrayText, public TTrayInput {
 public:
  explicit TLinuxTray(TTrayBus bus);
  ~TLinuxTray();
  TLinuxTray(const TLinuxTray&) = delete;
  TLinuxTray& operator=(const TLinuxTray&) = delete;

  // tbSession when this desktop has a session bus.
  static TTrayBus SessionBus();

  // A picture that icons can show, by the handle of the returned image.
  TIconImagePtr AddPicture(TTrayPicture picture);
  // The program's icon, for the forms' ApplicationIcon.
  const TIconImagePtr& ProgramIcon() const { return program_icon_; }

  TTrayPresence Presence(std::int32_t id) const;
  // The GtkStatusIcon of icon `id` while it shows, else null.
  GtkStatusIcon* StatusIcon(std::int32_t id) const;

  // TNotifyArea: icons hide in place; balloons have no place on this
  // desktop, so they show nothing.
  bool HidesInPlace() override { return true; }
  void Connect(std::int32_t id, TComponent* owner, TTrayIconEvents& events) override;
  void Disconnect(std::int32_t id) override;
  bool Add(const TTrayIconView& view) override;
  // From another thread (an animation's frame), shown when the main context gets to it.
  bool Update(const TTrayIconView& view) override;
  bool SetShown(const TTrayIconView& view) override;
  void Remove(const TTrayIconView& view) override;
  bool ShowBalloon(const TTrayIconView& view, const TBalloonView& balloon) override;
  bool HideBalloon(const TTrayIconView& view) override;
  void SetMenu(std::int32_t id, TPopupMenu* menu) override;

  // TTrayText: UTF-8 throughout.
  std::string Encode(std::string_view utf8) override { return std::string(utf8); }
  std::size_t CharacterLength(std::string_view text) override;

  // TTrayInput.
  std::uint32_t DoubleClickTime() override { return double_click_time_; }
  void Sleep(std::uint32_t milliseconds) override;
  void PostToUserInterface(std::function<void()> call) override;

 private:
  TLinuxTrayIcon* IconOf(std::int32_t id) const;
  // The picture of a handle, or none when it names none or one that has gone.
  TTrayPicture Picture(TIconHandle handle);
  static void DoubleClickTimeChanged(GObject* settings, GParamSpec* changed_property, gpointer self);

  TTrayBus bus_;
  GMainContext* context_;
  std::thread::id ui_thread_;
  // What calls from other threads carry: cleared as the tray goes.
  std::shared_ptr<std::atomic<TLinuxTray*>> alive_;
  std::map<std::int32_t, TTrayIconEvents*> connected_;
  std::map<std::int32_t, TPopupMenu*> menus_;
  std::map<std::int32_t, std::unique_ptr<TLinuxTrayIcon>> icons_;
  std::map<TIconHandle, std::weak_ptr<const TTrayPictureImage>> pictures_;
  TIconHandle next_picture_ = 1;
  std::atomic<std::uint32_t> double_click_time_ = 400;
  gulong settings_handler_ = 0;
  TIconImagePtr program_icon_;
};

}  // namespace snx
