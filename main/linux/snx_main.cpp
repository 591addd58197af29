#include "main/linux/snx_main.h"

#include "framework/linux/application.h"
#include "framework/linux/ini_file.h"
#include "framework/linux/monitors.h"
#include "framework/linux/x_window.h"
#include "kMainFormDescription.h"
#include "main/core/main_published.h"
#include "main/core/main_settings.h"
#include "main/core/program_folder.h"
#include "main/core/strip_position.h"
#include "main/linux/settings_location.h"
#include "main/linux/skin_location.h"
#include "trayicon/linux/linux_tray_platform.h"

namespace snx {

namespace {

const ComponentClassTable& MainClasses() {
  static const ComponentClassTable kClasses{
      {"TPopupMenu", Creates<TPopupMenu>()},
      {"TMenuItem", Creates<TMenuItem>()},
      {"TTimer", Creates<TTimer>()},
      {"TTrayIcon", [](TComponent* owner) -> TComponent* { return new TTrayIcon(owner, LinuxTrayPlatform()); }},
  };
  return kClasses;
}

}  // namespace

TSNX_MAIN::TSNX_MAIN(TComponent* owner) : TForm(owner) {
  ReadDescriptionText(kMainFormDescription, MainClasses(), MainPublished<TSNX_MAIN>().For(*this));

  SetCaption(OwnerApplication().Title());
  TIniFile ini(SettingsLocation());
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
  reporter_.emplace(GTK_WINDOW(Handle()));
  capture_.emplace(ChannelLevels, *reporter_);
  // The strip rests while nothing can change its picture: no wake-ups for a
  // meter that sits stopped all day.
  clock_.emplace(ChannelLevels, *capture_, true);
}

void TSNX_MAIN::FormShow(TObject*) {
  // GTK sizes the window in its scale factor's device pixels; the skins are
  // drawn to fill it.
  skin_.LoadSkin(XDisplayOf(*this), XWindowOf(*this), SkinFolder(ProgramFolder(OwnerApplication().ExeName())),
                 gdk_window_get_scale_factor(NativeWindow()));
  Timer->SetEnabled(true);
}

void TSNX_MAIN::TimerTimer(TObject* sender) {
  const bool ticks_needed = clock_->Tick();
  // A paint request means the window lost its pixels; a tick only changes them.
  DrawMeter(sender != Timer);
  if (!ticks_needed) Timer->SetEnabled(false);
}

void TSNX_MAIN::DrawMeter(bool repaint) {
  // Drawing is a handful of requests to the X server and never runs the
  // main loop, so no tick or paint can arrive in the middle of it.
  if (Visible()) skin_.Draw(ChannelLevels, repaint);
}

void TSNX_MAIN::PaintBackground(cairo_t* cr) {
  if (!skin_.PaintLast(cr)) TForm::PaintBackground(cr);
}

void TSNX_MAIN::FormClose(TObject*, TCloseAction&) {
  Timer->SetEnabled(false);
  skin_.Release();
  // A settings file that cannot be written is reported, but the program
  // still ends: nothing else is lost by ending.
  try {
    TIniFile ini(SettingsLocation());
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
  capture_->Start();
  Timer->SetEnabled(true);
}

void TSNX_MAIN::PM_StopClick(TObject*) { capture_->Stop(); }

void TSNX_MAIN::PM_AboutClick(TObject*) {
  if (about_dialog_ == nullptr) return;
  about_dialog_->SetLeft(0);
  about_dialog_->SetTop(0);
  about_dialog_->ShowModal();
}

}  // namespace snx
