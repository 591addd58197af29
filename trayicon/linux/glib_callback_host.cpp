#include "trayicon/linux/glib_callback_host.h"

#include <exception>

#include "framework/core/application.h"
#include "framework/core/message.h"
#include "trayicon/core/tray_callback.h"
#include "trayicon/linux/linux_tray.h"
#include "trayicon/linux/main_context_post.h"

namespace snx {

namespace {

struct TPostedEnd {
  std::shared_ptr<TGLibCallbackHost*> host;
  TCallbackWindow* window;
  TSingleClick* thread;
};

}  // namespace

TGLibCallbackHost::TGLibCallbackHost(TLinuxTray& tray, TCallbackWindow& window, std::uint32_t handle)
    : tray_(tray),
      window_(window),
      handle_(handle),
      context_(g_main_context_default()),
      self_(std::make_shared<TGLibCallbackHost*>(this)) {
  tray_.hosts_[handle_] = this;
}

TGLibCallbackHost::~TGLibCallbackHost() {
  *self_ = nullptr;
  tray_.hosts_.erase(handle_);
}

void TGLibCallbackHost::PostSingleClickEnd(TSingleClick* thread) {
  PostToMainContext(
      context_,
      [](gpointer data) -> gboolean {
        const auto* posted = static_cast<const TPostedEnd*>(data);
        if (*posted->host != nullptr) {
          try {
            posted->window->SingleClickEnded(posted->thread);
          } catch (...) {
            Application().HandleException(std::current_exception());
          }
        }
        return G_SOURCE_REMOVE;
      },
      new TPostedEnd{self_, &window_, thread}, [](gpointer data) { delete static_cast<TPostedEnd*>(data); });
}

void TGLibCallbackHost::Deliver(std::uint32_t id, std::intptr_t message) {
  TMessage m{kTrayCallbackMessage, id, message, 0};
  try {
    window_.CallbackWndProc(m);
  } catch (...) {
    Application().HandleException(std::current_exception());
  }
}

}  // namespace snx
