#pragma once
// What a draw of the strip needs around it on the platform it runs on.
#include "framework/core/application.h"

namespace snx {

class TDrawGuard {
 public:
  // Whether a draw may begin now; each one that may is closed by EndDraw.
  virtual bool BeginDraw() = 0;
  virtual void EndDraw() = 0;

 protected:
  ~TDrawGuard() = default;
};

// For a platform whose draw first lets the application handle its pending
// messages (Win32): a tick or paint handled there runs a draw of its own,
// nested, and one that arrives while a draw is in progress must not draw
// over it.
class TPumpingDrawGuard final : public TDrawGuard {
 public:
  explicit TPumpingDrawGuard(TApplication& application) : application_(application) {}

  bool BeginDraw() override;
  void EndDraw() override { DrawBusy = false; }

 private:
  TApplication& application_;
  bool DrawBusy = false;
};

}  // namespace snx
