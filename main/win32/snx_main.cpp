#include "main/win32/snx_main.h"

#include "framework/win32/application.h"
#include "framework/win32/ini_file.h"
#include "framework/win32/monitors.h"
#include "main/core/main_published.h"
#include "main/core/main_settings.h"
#include "main/core/program_folder.h"
#include "main/core/strip_position.h"
#include "main/winmm/winmm_capture.h"
#include "trayicon/win32/win32_tray_platform.h"

namespace snx {

namespace {

const ComponentClassTable& MainClasses() {
  static const ComponentClassTable kClasses{
      {"TPopupMenu", Creates<TPopupMenu>()},
      {"TMenuItem", Creates<TMenuItem>()},
      {"TTimer", Creates<TTimer>()},
      {"TTrayIcon", [](TComponent* owner) -> TComponent* { return new TTrayIcon(owner, Win32TrayPlatform()); }},
  };
  return kClasses;
}

}  // namespace

TSNX_MAIN::TSNX_MAIN(TComponent* owner) : TForm(owner) {
  ReadDescription("TSNX_MAIN", MainClasses(), MainPublished<TSNX_MAIN>().For(*this));

  SetCaption(OwnerApplication().Title());
  TIniFile ini(SettingsFile());
  MainSettings settings = ReadMainSettings(ini);
  // A place off every monitor would open the strip out of anyone's reach.
  const TPoint place = OpeningPosition({settings.left, settings.top}, {Width(), Height()}, Monitors());
  SetLeft(place.x);
  SetTop(place.y);
  // Checked the other way round, so the click below makes an explicit
  // z-order request even for a stored "not on top".
  PM_Top->SetChecked(!settings.stay_on_top);
  PM_TopClick(this);
}

TSNX_MAIN::~TSNX_MAIN() = default;

std::string TSNX_MAIN::SettingsFile() const { return SettingsPath(OwnerApplication().ExeName()); }

void TSNX_MAIN::FormCreate(TObject*) {
  WindowDC = GetDC(Handle());
  reporter_.emplace(Handle());
  capture_ = std::make_unique<TWinmmCapture>(wave_device_, ChannelLevels, *reporter_);
}

void TSNX_MAIN::FormShow(TObject*) {
  ShowWindow(OwnerApplication().Handle(), SW_HIDE);
  skin_.LoadSkin(WindowDC, ProgramFolder(OwnerApplication().ExeName()));
  Timer->SetEnabled(true);
}

void TSNX_MAIN::TimerTimer(TObject* sender) {
  ChannelLevels.DecayLevels();
  // A paint request means the window lost its pixels; a tick only changes them.
  DrawMeter(sender != Timer);
}

void TSNX_MAIN::DrawMeter(bool repaint) {
  // A tick or paint handled in here runs TimerTimer again; DrawBusy keeps
  // that nested run from drawing over this one.
  OwnerApplication().ProcessMessages();
  if (DrawBusy || !Visible()) return;
  DrawBusy = true;
  skin_.Draw(WindowDC, ChannelLevels, repaint);
  DrawBusy = false;
}

void TSNX_MAIN::FormClose(TObject*, TCloseAction&) {
  Timer->SetEnabled(false);
  skin_.Release();
  if (WindowDC != nullptr) ReleaseDC(Handle(), WindowDC);
  WindowDC = nullptr;
  // A settings file that cannot be written is reported, but the program
  // still ends: nothing else is lost by ending.
  try {
    TIniFile ini(SettingsFile());
    WriteMainSettings(ini, MainSettings{Left(), Top(), PM_Top->Checked()});
  } catch (...) {
    OwnerApplication().HandleException(std::current_exception());
  }
}

void TSNX_MAIN::FormMouseUp(TObject*, TMouseButton button, TShiftState, int x, int y) {
  if (button == TMouseButton::mbRight) PopupMenu->Popup(Left() + x, Top() + y);
}

void TSNX_MAIN::PM_TopClick(TObject*) {
  HWND after = PM_Top->Checked() ? HWND_NOTOPMOST : HWND_TOPMOST;
  PM_Top->SetChecked(!PM_Top->Checked());
  SetWindowPos(Handle(), after, Left(), Top(), Width(), Height(), SWP_NOMOVE | SWP_NOSIZE);
  if (after == HWND_NOTOPMOST) EnsureNotTopmost(Handle());
}

void TSNX_MAIN::PM_ExitClick(TObject*) { Close(); }

void TSNX_MAIN::PM_StartClick(TObject*) { capture_->Start(); }

void TSNX_MAIN::PM_StopClick(TObject*) { capture_->Stop(); }

void TSNX_MAIN::PM_AboutClick(TObject*) {
  if (about_dialog_ == nullptr) return;
  about_dialog_->SetLeft(0);
  about_dialog_->SetTop(0);
  about_dialog_->ShowModal();
}

LRESULT TSNX_MAIN::Dispatch(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_LBUTTONDOWN) {
    StartWindowDrag();
    return 0;
  }
  return TForm::Dispatch(message, wparam, lparam);
}

void TSNX_MAIN::StartWindowDrag() {
  // SC_MOVE | HTCAPTION: the system's move loop drags the strip until release.
  SendMessageW(Handle(), WM_SYSCOMMAND, 61458, 0);
}

}  // namespace snx
