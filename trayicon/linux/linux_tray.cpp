#include "trayicon/linux/linux_tray.h"

#include <algorithm>
#include <exception>

#include "framework/core/application.h"
#include "framework/core/utf.h"
#include "trayicon/linux/linux_tray_icon.h"
#include "trayicon/linux/main_context_post.h"

namespace snx {

namespace {

// An animation thread's frame, carried to the main context.
struct TPostedUpdate {
  std::shared_ptr<std::atomic<TLinuxTray*>> tray;
  TTrayIconView view;
};

}  // namespace

TLinuxTray::TLinuxTray(TTrayBus bus)
    : bus_(bus),
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

TTrayBus TLinuxTray::SessionBus() {
  gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  const bool found = address != nullptr && address[0] != '\0';
  g_free(address);
  return found ? TTrayBus::tbSession : TTrayBus::tbNone;
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

TTrayPicture TLinuxTray::Picture(TIconHandle handle) {
  const auto found = pictures_.find(handle);
  if (found == pictures_.end()) return {};
  const std::shared_ptr<const TTrayPictureImage> image = found->second.lock();
  if (!image) {
    pictures_.erase(found);
    return {};
  }
  return image->Picture();
}

TLinuxTrayIcon* TLinuxTray::IconOf(std::int32_t id) const {
  const auto found = icons_.find(id);
  return found == icons_.end() ? nullptr : found->second.get();
}

TTrayPresence TLinuxTray::Presence(std::int32_t id) const {
  const TLinuxTrayIcon* icon = IconOf(id);
  return icon != nullptr ? icon->Presence() : TTrayPresence::tpNone;
}

GtkStatusIcon* TLinuxTray::StatusIcon(std::int32_t id) const {
  const TLinuxTrayIcon* icon = IconOf(id);
  return icon != nullptr ? icon->StatusIcon() : nullptr;
}

void TLinuxTray::Connect(std::int32_t id, TComponent* /*owner*/, TTrayIconEvents& events) { connected_[id] = &events; }

void TLinuxTray::Disconnect(std::int32_t id) {
  icons_.erase(id);
  connected_.erase(id);
  menus_.erase(id);
}

bool TLinuxTray::Add(const TTrayIconView& view) {
  const auto events = connected_.find(view.id);
  if (events == connected_.end() || icons_.contains(view.id)) return false;
  const bool item_taken =
      std::ranges::any_of(icons_, [](const auto& icon) { return icon.second->HasStatusNotifierItem(); });
  const auto menu = menus_.find(view.id);
  icons_.emplace(
      view.id, std::make_unique<TLinuxTrayIcon>(bus_ == TTrayBus::tbSession && !item_taken, view, Picture(view.picture),
                                                menu != menus_.end() ? menu->second : nullptr, *events->second));
  return true;
}

void TLinuxTray::SetMenu(std::int32_t id, TPopupMenu* menu) {
  if (!connected_.contains(id)) return;
  menus_[id] = menu;
  if (TLinuxTrayIcon* icon = IconOf(id)) icon->SetMenu(menu);
}

bool TLinuxTray::Update(const TTrayIconView& view) {
  if (std::this_thread::get_id() != ui_thread_) {
    PostToMainContext(
        context_,
        [](gpointer posted) -> gboolean {
          const auto* update = static_cast<const TPostedUpdate*>(posted);
          if (TLinuxTray* tray = update->tray->load(); tray != nullptr) tray->Update(update->view);
          return G_SOURCE_REMOVE;
        },
        new TPostedUpdate{alive_, view}, [](gpointer posted) { delete static_cast<TPostedUpdate*>(posted); });
    return true;
  }
  TLinuxTrayIcon* icon = IconOf(view.id);
  if (icon == nullptr) return false;
  icon->Show(view.tip, Picture(view.picture));
  return true;
}

bool TLinuxTray::SetShown(const TTrayIconView& view) {
  TLinuxTrayIcon* icon = IconOf(view.id);
  if (icon == nullptr) return false;
  icon->SetVisible(view.visible);
  return true;
}

void TLinuxTray::Remove(const TTrayIconView& view) { icons_.erase(view.id); }

bool TLinuxTray::ShowBalloon(const TTrayIconView& view, const TBalloonView& /*balloon*/) {
  return IconOf(view.id) != nullptr;
}

bool TLinuxTray::HideBalloon(const TTrayIconView& view) { return IconOf(view.id) != nullptr; }

std::size_t TLinuxTray::CharacterLength(std::string_view text) {
  std::size_t next = 0;
  NextCodePoint(text, next);
  return next;
}

void TLinuxTray::Sleep(std::uint32_t milliseconds) { g_usleep(static_cast<gulong>(milliseconds) * 1000); }

void TLinuxTray::PostToUserInterface(std::function<void()> call) {
  PostToMainContext(
      context_,
      [](gpointer posted) -> gboolean {
        // What the call raises goes to the application's error box, as from
        // any handler the main loop runs.
        try {
          (*static_cast<std::function<void()>*>(posted))();
        } catch (...) {
          Application().HandleException(std::current_exception());
        }
        return G_SOURCE_REMOVE;
      },
      new std::function<void()>(std::move(call)),
      [](gpointer posted) { delete static_cast<std::function<void()>*>(posted); });
}

}  // namespace snx
