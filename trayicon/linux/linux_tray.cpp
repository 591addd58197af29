#include "trayicon/linux/linux_tray.h"

#include "trayicon/linux/glib_callback_host.h"
#include "trayicon/linux/linux_tray_icon.h"
#include "trayicon/linux/main_context_post.h"

namespace snx {

namespace {

// A call from another thread, carried to the main context.
struct TPostedNotify {
  std::shared_ptr<std::atomic<TLinuxTray*>> tray;
  std::uint32_t message;
  TNotifyIconDataV5A data;
};

const TTrayPicture* PictureOf(const std::shared_ptr<const TTrayPictureImage>& image) {
  return image ? &image->Picture() : nullptr;
}

}  // namespace

TLinuxTray::TLinuxTray(std::string bus_address)
    : bus_address_(std::move(bus_address)),
      context_(g_main_context_default()),
      ui_thread_(std::this_thread::get_id()),
      alive_(std::make_shared<std::atomic<TLinuxTray*>>(this)) {
  if (GtkSettings* settings = gtk_settings_get_default(); settings != nullptr) {
    DoubleClickTimeChanged(G_OBJECT(settings), nullptr, this);
    settings_handler_ = g_signal_connect(settings, "notify::gtk-double-click-time",
                                         G_CALLBACK(&TLinuxTray::DoubleClickTimeChanged), this);
  }
  program_icon_ = AddPicture(ProgramIconPicture());
}

TLinuxTray::~TLinuxTray() {
  alive_->store(nullptr);
  if (settings_handler_ != 0) g_signal_handler_disconnect(gtk_settings_get_default(), settings_handler_);
  icons_.clear();
}

std::string TLinuxTray::SessionBusAddress() {
  gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  std::string result = address != nullptr ? address : "";
  g_free(address);
  return result;
}

void TLinuxTray::DoubleClickTimeChanged(GObject* settings, GParamSpec* /*changed_property*/, gpointer self) {
  gint milliseconds = 0;
  g_object_get(settings, "gtk-double-click-time", &milliseconds, nullptr);
  static_cast<TLinuxTray*>(self)->double_click_time_ = static_cast<std::uint32_t>(milliseconds);
}

TIconImagePtr TLinuxTray::AddPicture(TTrayPicture picture) {
  auto image = std::make_shared<const TTrayPictureImage>(next_picture_++, std::move(picture));
  pictures_[image->Handle()] = image;
  return image;
}

std::shared_ptr<const TTrayPictureImage> TLinuxTray::Picture(TIconHandle handle) {
  const auto found = pictures_.find(handle);
  if (found == pictures_.end()) return nullptr;
  std::shared_ptr<const TTrayPictureImage> image = found->second.lock();
  if (!image) pictures_.erase(found);
  return image;
}

TTrayPresence TLinuxTray::Presence(std::uint32_t id) const {
  const auto found = icons_.find(id);
  return found == icons_.end() ? TTrayPresence::tpNone : found->second->Presence();
}

GtkStatusIcon* TLinuxTray::StatusIcon(std::uint32_t id) const {
  const auto found = icons_.find(id);
  return found == icons_.end() ? nullptr : found->second->StatusIcon();
}

bool TLinuxTray::NotifyIcon(std::uint32_t message, const TNotifyIconDataV5A& data) {
  if (std::this_thread::get_id() == ui_thread_) return Apply(message, data);
  // An animation thread's frame: shown when the main context gets to it.
  PostToMainContext(
      context_,
      [](gpointer posted) -> gboolean {
        const auto* call = static_cast<const TPostedNotify*>(posted);
        if (TLinuxTray* tray = call->tray->load(); tray != nullptr) tray->Apply(call->message, call->data);
        return G_SOURCE_REMOVE;
      },
      new TPostedNotify{alive_, message, data}, [](gpointer posted) { delete static_cast<TPostedNotify*>(posted); });
  return true;
}

bool TLinuxTray::Apply(std::uint32_t message, const TNotifyIconDataV5A& data) {
  const auto found = icons_.find(data.uID);
  switch (message) {
    case kNimAdd: {
      if (found != icons_.end() || hosts_.count(data.hWnd) == 0) return false;
      auto icon = std::make_unique<TLinuxTrayIcon>(*this, data.uID, data.hWnd);
      icon->Apply(data, PictureOf(Picture(data.hIcon)));
      icons_.emplace(data.uID, std::move(icon));
      return true;
    }
    case kNimModify:
      if (found == icons_.end()) return false;
      found->second->Apply(data, PictureOf(Picture(data.hIcon)));
      return true;
    case kNimDelete:
      if (found == icons_.end()) return false;
      icons_.erase(found);
      return true;
    default:
      return false;
  }
}

std::unique_ptr<TCallbackWindowHost> TLinuxTray::CreateCallbackWindow(TCallbackWindow& window, TComponent* /*parent*/) {
  return std::make_unique<TGLibCallbackHost>(*this, window, next_window_++);
}

void TLinuxTray::Deliver(std::uint32_t window, std::uint32_t id, std::intptr_t message, TPoint at) {
  const auto host = hosts_.find(window);
  if (host == hosts_.end()) return;
  click_at_ = at;
  host->second->Deliver(id, message);
  click_at_.reset();
}

TPoint TLinuxTray::CursorPos() {
  if (click_at_) return *click_at_;
  GdkDisplay* display = gdk_display_get_default();
  if (display == nullptr) return {};
  gint x = 0;
  gint y = 0;
  gdk_device_get_position(gdk_seat_get_pointer(gdk_display_get_default_seat(display)), nullptr, &x, &y);
  return {x, y};
}

void TLinuxTray::Sleep(std::uint32_t milliseconds) { g_usleep(static_cast<gulong>(milliseconds) * 1000); }

}  // namespace snx
