#pragma once
// The strip: a borderless 274 x 26 window that shows the meter, drags with
// the left button and opens the command menu with the right. Written once
// over the framework's form; its platform's part is a TStripPlatform.
#include <memory>
#include <optional>

#include "framework/core/menu.h"
#include "framework/platform.h"
#include "main/core/level_meter.h"
#include "main/core/meter_clock.h"
#include "main/strip_platform.h"
#include "trayicon/core/tray_icon.h"

namespace snx {

class TSNX_MAIN : public TForm {
 public:
  explicit TSNX_MAIN(TComponent* owner);
  ~TSNX_MAIN() override;

  // Published components, bound by name from the form description.
  TPopupMenu* PopupMenu = nullptr;
  TMenuItem* PM_Start = nullptr;
  TMenuItem* PM_Stop = nullptr;
  TMenuItem* PM_N01 = nullptr;
  TMenuItem* PM_Exit = nullptr;
  TTimer* Timer = nullptr;
  TTrayIcon* TrayIcon = nullptr;
  TMenuItem* PM_N02 = nullptr;
  TMenuItem* PM_Top = nullptr;
  TMenuItem* PM_About = nullptr;
  TMenuItem* PM_N03 = nullptr;

  // Published handlers.
  void PM_StartClick(TObject* sender);
  void PM_StopClick(TObject* sender);
  void PM_ExitClick(TObject* sender);
  void FormCreate(TObject* sender);
  void FormClose(TObject* sender, TCloseAction& action);
  void TimerTimer(TObject* sender);
  void FormShow(TObject* sender);
  void FormMouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void PM_TopClick(TObject* sender);
  void PM_AboutClick(TObject* sender);

  // The version dialog that PM_AboutClick shows; until one is plugged in,
  // the command does nothing.
  void SetAboutDialog(TCustomForm* dialog) { about_dialog_ = dialog; }

 private:
  // Declared in this order so that the platform's devices, the capture among
  // them, have ended before the levels they measure into go, and the clock
  // that asks the capture goes before it.
  TChannelLevels levels_;
  std::unique_ptr<TStripPlatform> platform_;
  std::optional<TMeterClock> clock_;
  TCustomForm* about_dialog_ = nullptr;
};

}  // namespace snx
