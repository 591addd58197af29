#pragma once
// The strip: a borderless 274 x 26 window that shows the meter, drags with
// the left button and opens the command menu with the right. Written once
// over the framework's form; what its platform plays is a TStripPlatform.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "framework/core/menu.h"
#include "framework/platform.h"
#include "main/core/input_menu.h"
#include "main/core/level_meter.h"
#include "main/core/meter_clock.h"
#include "main/core/meter_pacer.h"
#include "main/core/meter_painter.h"
#include "main/strip_platform.h"
#include "trayicon/core/tray_icon.h"

namespace snx {

class TSNX_MAIN : public TForm {
 public:
  TSNX_MAIN(TComponent* owner, TStripPlatform& platform);
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
  // The inputs, rebuilt each time the menu opens.
  TMenuItem* PM_Input = nullptr;

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
  void PopupMenuPopup(TObject* sender);

  // The version dialog that PM_AboutClick shows; until one is plugged in,
  // the command does nothing.
  void SetAboutDialog(TCustomForm* dialog) { about_dialog_ = dialog; }

 private:
  // One step of the meter: the bars fall, and the strip shows what changed.
  void Tick();
  // The window lost its pixels: a step as a tick, and the whole strip shown.
  void Repaint();
  void Step(bool whole);
  void DrawMeter(bool whole);
  // The user chose an input: one being metered gives way to it at once.
  void ChooseInput(const std::string& id);
  void UpdateInputMenu();

  // What the capture measures into where its sound drives the ticks.
  class TPacedMeasure final : public TBufferMeasure {
   public:
    explicit TPacedMeasure(TSNX_MAIN& strip) : strip_(strip) {}
    void MeasureBuffer(const std::uint8_t* data, std::size_t length) override;

   private:
    TSNX_MAIN& strip_;
  };
  // Whether the sound paces the ticks now: the platform lets it, and capture
  // runs or is on its way. Otherwise the timer ticks.
  bool SoundPaced() const;
  // Hands the ticks to whichever of the two should run them now.
  void ResumeTicks();
  // Runs the tick the pacer has due, if any, and asks for the next wake-up.
  void Pace();

  TStripPlatform& platform_;
  // Declared in this order so that the devices, the capture among them, have
  // ended before the levels and the pacing they measure into go, and the
  // clock that asks the capture goes before it.
  TChannelLevels ChannelLevels;
  TTickPacing* pacing_ = nullptr;
  TMeterPacer pacer_;
  TPacedMeasure paced_measure_{*this};
  // From the show to the close: the ticks run.
  bool open_ = false;
  std::unique_ptr<TStripDevices> devices_;
  std::optional<TMeterClock> clock_;
  TMeterPainter painter_;
  TCustomForm* about_dialog_ = nullptr;
  // The input chosen, kept while it is away; "" for the system's default.
  std::string device_;
  std::optional<TInputMenu> input_menu_;
};

}  // namespace snx
