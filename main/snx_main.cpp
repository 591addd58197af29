#include "main/snx_main.h"

#include "framework/core/ini_file.h"
#include "framework/core/monitor.h"
#include "framework/core/published.h"
#include "main/core/main_settings.h"
#include "main/core/strip_position.h"

namespace snx {

namespace {

const ComponentClassTable& MainClasses() {
  static const ComponentClassTable kClasses{
      {"TPopupMenu", Creates<TPopupMenu>()},
      {"TMenuItem", Creates<TMenuItem>()},
      {"TTimer", Creates<TPlatformTimer>()},
      {"TTrayIcon", [](TComponent* owner) -> TComponent* { return new TTrayIcon(owner, StripTrayPlatform()); }},
  };
  return kClasses;
}

const TPublished<TSNX_MAIN>& MainPublished() {
  static const TPublished<TSNX_MAIN> kPublished{
      {"PopupMenu", &TSNX_MAIN::PopupMenu},
      {"PM_Start", &TSNX_MAIN::PM_Start},
      {"PM_Stop", &TSNX_MAIN::PM_Stop},
      {"PM_N01", &TSNX_MAIN::PM_N01},
      {"PM_Exit", &TSNX_MAIN::PM_Exit},
      {"Timer", &TSNX_MAIN::Timer},
      {"TrayIcon", &TSNX_MAIN::TrayIcon},
      {"PM_N02", &TSNX_MAIN::PM_N02},
      {"PM_Top", &TSNX_MAIN::PM_Top},
      {"PM_About", &TSNX_MAIN::PM_About},
      {"PM_N03", &TSNX_MAIN::PM_N03},
      {"PM_StartClick", &TSNX_MAIN::PM_StartClick},
      {"PM_StopClick", &TSNX_MAIN::PM_StopClick},
      {"PM_ExitClick", &TSNX_MAIN::PM_ExitClick},
      {"FormCreate", &TSNX_MAIN::FormCreate},
      {"FormClose", &TSNX_MAIN::FormClose},
      {"TimerTimer", &TSNX_MAIN::TimerTimer},
      {"FormShow", &TSNX_MAIN::FormShow},
      {"FormMouseUp", &TSNX_MAIN::FormMouseUp},
      {"PM_TopClick", &TSNX_MAIN::PM_TopClick},
      {"PM_AboutClick", &TSNX_MAIN::PM_AboutClick},
  };
  return kPublished;
}

}  // namespace

TSNX_MAIN::TSNX_MAIN(TComponent* owner) : TForm(owner) {
  ReadDescription("TSNX_MAIN", MainClasses(), MainPublished().For(*this));

  SetCaption(OwnerApplication().Title());
  TIniFile ini(StripSettingsFile(OwnerApplication()));
  MainSettings settings = ReadMainSettings(ini);
  // A place off every monitor would open the strip out of anyone's reach.
  const TPoint place = OpeningPosition({settings.left, settings.top}, {Width(), Height()}, Monitors());
  SetLeft(place.x);
  SetTop(place.y);
  // Checked the other way round, so the click below makes an explicit
  // z-order request even for a stored "not on top".
  PM_Top->SetChecked(!settings.stay_on_top);
  PM_TopClick(this);
  // The left button drags the strip wherever it is pressed.
  OnMouseDown = [this](TObject*, TMouseButton button, TShiftState, int, int) {
    if (button == TMouseButton::mbLeft) StartWindowDrag();
  };
}

TSNX_MAIN::~TSNX_MAIN() = default;

void TSNX_MAIN::FormCreate(TObject*) {
  platform_ = ConnectStripPlatform(*this, levels_);
  clock_.emplace(levels_, platform_->Capture(), platform_->TimerMayRest());
}

void TSNX_MAIN::FormShow(TObject*) {
  platform_->Showing();
  Timer->SetEnabled(true);
}

void TSNX_MAIN::TimerTimer(TObject* sender) {
  const bool ticks_needed = clock_->Tick();
  // A paint request means the window lost its pixels; a tick only changes them.
  platform_->DrawMeter(sender != Timer);
  if (!ticks_needed) Timer->SetEnabled(false);
}

void TSNX_MAIN::FormClose(TObject*, TCloseAction&) {
  Timer->SetEnabled(false);
  platform_->Closing();
  // A settings file that cannot be written is reported, but the program
  // still ends: nothing else is lost by ending.
  try {
    TIniFile ini(StripSettingsFile(OwnerApplication()));
    WriteMainSettings(ini, MainSettings{Left(), Top(), PM_Top->Checked()});
  } catch (...) {
    OwnerApplication().HandleException(std::current_exception());
  }
}

void TSNX_MAIN::FormMouseUp(TObject*, TMouseButton button, TShiftState, int x, int y) {
  if (button == TMouseButton::mbRight) PopupMenu->Popup(Left() + x, Top() + y);
}

void TSNX_MAIN::PM_TopClick(TObject*) {
  PM_Top->SetChecked(!PM_Top->Checked());
  SetStayOnTop(PM_Top->Checked());
}

void TSNX_MAIN::PM_ExitClick(TObject*) { Close(); }

void TSNX_MAIN::PM_StartClick(TObject*) {
  platform_->Capture().Start();
  // After a rest the next tick draws the first frame, as it always has.
  Timer->SetEnabled(true);
}

void TSNX_MAIN::PM_StopClick(TObject*) { platform_->Capture().Stop(); }

void TSNX_MAIN::PM_AboutClick(TObject*) {
  if (about_dialog_ == nullptr) return;
  about_dialog_->SetLeft(0);
  about_dialog_->SetTop(0);
  about_dialog_->ShowModal();
}

}  // namespace snx
