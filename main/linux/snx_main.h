#pragma once
// The strip: a borderless 274 x 26 window that shows the meter, drags with
// the left button and opens the command menu with the right.
#include <optional>

#include "framework/core/menu.h"
#include "framework/linux/form.h"
#include "framework/linux/timer.h"
#include "main/core/meter_clock.h"
#include "main/linux/message_box_reporter.h"
#include "main/linux/meter_skin.h"
#include "main/linux/pulse_capture.h"
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
  void SetAboutDialog(TForm* dialog) { about_dialog_ = dialog; }

 protected:
  // The strip shows nothing but its skin, not even while GTK repaints it.
  void PaintBackground(cairo_t* cr) override;

 private:
  void DrawMeter(bool repaint);

  TMeterSkin skin_;
  // Declared in this order so that the capture, destroyed first, has ended
  // before the reporter it uses goes.
  std::optional<TMessageBoxReporter> reporter_;
  std::optional<TPulseCapture> capture_;
  std::optional<TMeterClock> clock_;
  TForm* about_dialog_ = nullptr;
};

}  // namespace snx
