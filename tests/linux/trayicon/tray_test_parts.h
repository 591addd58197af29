#pragma once
// What the native tray tests give a tray icon around it: an application that
// logs menus and error boxes instead of showing them, and forms without an
// icon of their own, as the strip's are.
#include <string>
#include <vector>

#include "framework/core/application.h"
#include "framework/core/menu.h"
#include "trayicon/linux/linux_tray.h"

namespace snx::testing {

using Log = std::vector<std::string>;

inline std::string At(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }

// Menus are shown at a point and closed at once.
class TestApplication final : public TApplication {
 public:
  std::string ExeName() const override { return "/opt/sonalix/sonalix"; }
  void ProcessMessages() override { log.emplace_back("process messages"); }
  void Terminate() override { log.emplace_back("terminate"); }
  TMenuItem* TrackPopupMenu(const TPopupMenu& menu, int x, int y) override {
    log.push_back("popup " + menu.Name() + " at " + At(x, y));
    return nullptr;
  }
  Log log;

 protected:
  void ShowErrorBox(const std::string& text, const std::string&) override { log.push_back("error " + text); }
};

// So the tray shows the program's icon.
class TestForms final : public TTrayForms {
 public:
  explicit TestForms(const TLinuxTray& tray) : tray_(tray) {}
  bool ForegroundForm(TComponent*) override { return false; }
  void ForegroundActiveForm() override {}
  TIconHandle FormIcon(TComponent*) override { return 0; }
  TIconHandle ApplicationIcon() override { return tray_.ProgramIcon()->Handle(); }

 private:
  const TLinuxTray& tray_;
};

}  // namespace snx::testing
