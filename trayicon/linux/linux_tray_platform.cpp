#include "trayicon/linux/linux_tray_platform.h"

#include "framework/core/screen.h"
#include "framework/linux/form.h"
#include "trayicon/linux/linux_tray.h"

namespace snx {

namespace {

class TLinuxTrayForms final : public TTrayForms {
 public:
  explicit TLinuxTrayForms(const TLinuxTray& tray) : tray_(tray) {}

  // Only a form on screen: presenting a hidden GTK window would show it.
  bool ForegroundForm(TComponent* owner) override {
    auto* form = dynamic_cast<TForm*>(owner);
    if (form == nullptr) return false;
    if (form->Visible()) gtk_window_present(GTK_WINDOW(form->Handle()));
    return true;
  }
  void ForegroundActiveForm() override { ForegroundForm(Screen().ActiveForm()); }
  // Forms carry no icon of their own here; the program's stands for them.
  TIconHandle FormIcon(TComponent*) override { return 0; }
  TIconHandle ApplicationIcon() override { return tray_.ProgramIcon()->Handle(); }

 private:
  const TLinuxTray& tray_;
};

struct TLinuxTrayPlatform {
  TLinuxTray tray{TLinuxTray::SessionBus()};
  TLinuxTrayForms forms{tray};
  TTrayIconIds ids;
  TTrayPlatform platform{tray, tray, tray, forms, ids};
};

}  // namespace

const TTrayPlatform& LinuxTrayPlatform() {
  static TLinuxTrayPlatform linux_tray;
  return linux_tray.platform;
}

}  // namespace snx
