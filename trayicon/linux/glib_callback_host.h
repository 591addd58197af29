#pragma once
// The callback window on Linux: no window at all, only a number that the
// icons' records name, on the thread of the GLib main context.
#include <glib.h>

#include <cstdint>
#include <memory>

#include "trayicon/core/tray_platform.h"

namespace snx {

class TLinuxTray;

class TGLibCallbackHost final : public TCallbackWindowHost {
 public:
  TGLibCallbackHost(TLinuxTray& tray, TCallbackWindow& window, std::uint32_t handle);
  ~TGLibCallbackHost() override;
  TGLibCallbackHost(const TGLibCallbackHost&) = delete;
  TGLibCallbackHost& operator=(const TGLibCallbackHost&) = delete;

  std::uint32_t Handle() const override { return handle_; }
  // From the single-click thread: the end reaches the window on the main context.
  void PostSingleClickEnd(TSingleClick* thread) override;

  // Hands the window a notification for icon `id`. What a handler raises
  // goes to the application's error box, as from a window procedure.
  void Deliver(std::uint32_t id, std::intptr_t message);

 private:
  TLinuxTray& tray_;
  TCallbackWindow& window_;
  std::uint32_t handle_;
  GMainContext* context_;
  // Read on the main context only; a posted end finds null once the host has gone.
  std::shared_ptr<TGLibCallbackHost*> self_;
};

}  // namespace snx
