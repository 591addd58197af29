#include "main/win32/snx_main.h"

#include "about/win32/snx_about.h"
#include "framework/win32/application.h"
#include "framework/win32/ini_file.h"
#include "framework/win32/monitors.h"
#include "main/core/main_settings.h"
#include "main/core/strip_position.h"
#include "trayicon/win32/win32_tray_platform.h"

namespace snx {

TSNX_MAIN* SNX_MAIN = nullptr;

namespace {

const ComponentClassTable& MainClasses() {
  static const ComponentClassTable classes{
      {"TPopupMenu", Creates<TPopupMenu>()},
      {"TMenuItem", Creates<TMenuItem>()},
      {"TTimer", Creates<TTimer>()},
      {"TTrayIcon", [](TComponent* owner) -> TComponent* { return new TTrayIcon(owner, Win32TrayPlatform()); }},
  };
  return classes;
}

}  // namespace

TSNX_MAIN::TSNX_MAIN(TComponent* owner) : TForm(owner) {
  MethodTable methods{
      {"PM_StartClick", TNotifyEvent([this](TObject* s) { PM_StartClick(s); })},
      {"PM_StopClick", TNotifyEvent([this](TObject* s) { PM_StopClick(s); })},
      {"PM_ExitClick", TNotifyEvent([this](TObject* s) { PM_ExitClick(s); })},
      {"FormCreate", TNotifyEvent([this](TObject* s) { FormCreate(s); })},
      {"FormClose", TCloseEvent([this](TObject* s, TCloseAction& a) { FormClose(s, a); })},
      {"TimerTimer", TNotifyEvent([this](TObject* s) { TimerTimer(s); })},
      {"FormShow", TNotifyEvent([this](TObject* s) { FormShow(s); })},
      {"FormMouseUp", TMouseEvent([this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
         FormMouseUp(s, b, sh, x, y);
       })},
      {"PM_TopClick", TNotifyEvent([this](TObject* s) { PM_TopClick(s); })},
      {"PM_AboutClick", TNotifyEvent([this](TObject* s) { PM_AboutClick(s); })},
  };
  ReadDescription("TSNX_MAIN", MainClasses(), methods);

  SetCaption(Application().Title());
  TIniFile ini(SettingsFile());
  MainSettings settings = ReadMainSettings(ini);
  // A place off every monitor would open the strip out of anyone's reach.
  const TPoint place = OpeningPosition({settings.left, settings.top}, {Width(), Height()}, MonitorWorkAreas());
  SetLeft(place.X);
  SetTop(place.Y);
  // Checked the other way round, so the click below makes an explicit
  // z-order request even for a stored "not on top".
  PM_Top->SetChecked(!settings.stay_on_top);
  PM_TopClick(this);
}

TSNX_MAIN::~TSNX_MAIN() = default;

void TSNX_MAIN::BindPublishedField(std::string_view name, TComponent* c) {
  if (name == "PopupMenu") BindField(PopupMenu, c);
  else if (name == "PM_Start") BindField(PM_Start, c);
  else if (name == "PM_Stop") BindField(PM_Stop, c);
  else if (name == "PM_N01") BindField(PM_N01, c);
  else if (name == "PM_Exit") BindField(PM_Exit, c);
  else if (name == "Timer") BindField(Timer, c);
  else if (name == "TrayIcon") BindField(TrayIcon, c);
  else if (name == "PM_N02") BindField(PM_N02, c);
  else if (name == "PM_Top") BindField(PM_Top, c);
  else if (name == "PM_About") BindField(PM_About, c);
  else if (name == "PM_N03") BindField(PM_N03, c);
}

std::string TSNX_MAIN::SettingsFile() const { return SettingsPath(Application().ExeName()); }

void TSNX_MAIN::FormCreate(TObject*) {
  WindowDC = GetDC(Handle());
  Reporter.emplace(Handle());
  Capture.emplace(WaveDevice, ChannelLevels, *Reporter);
}

void TSNX_MAIN::FormShow(TObject*) {
  ShowWindow(Win32Application().Handle(), SW_HIDE);
  std::string exe = Application().ExeName();
  Skin.LoadSkin(WindowDC, std::string_view(exe).substr(0, exe.find_last_of('\\') + 1));
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
  Application().ProcessMessages();
  if (DrawBusy || !SNX_MAIN->Visible()) return;
  DrawBusy = true;
  Skin.Draw(WindowDC, ChannelLevels, repaint);
  DrawBusy = false;
}

void TSNX_MAIN::FormClose(TObject*, TCloseAction&) {
  Timer->SetEnabled(false);
  Skin.Release();
  if (WindowDC != nullptr) ReleaseDC(Handle(), WindowDC);
  WindowDC = nullptr;
  // A settings file that cannot be written is reported, but the program
  // still ends: nothing else is lost by ending.
  try {
    TIniFile ini(SettingsFile());
    WriteMainSettings(ini, MainSettings{Left(), Top(), PM_Top->Checked()});
  } catch (...) {
    Application().HandleException(std::current_exception());
  }
}

void TSNX_MAIN::FormMouseUp(TObject*, TMouseButton button, TShiftState, int x, int y) {
  if (button == TMouseButton::mbRight) PopupMenu->Popup(SNX_MAIN->Left() + x, SNX_MAIN->Top() + y);
}

void TSNX_MAIN::PM_TopClick(TObject*) {
  HWND after = PM_Top->Checked() ? HWND_NOTOPMOST : HWND_TOPMOST;
  PM_Top->SetChecked(!PM_Top->Checked());
  SetWindowPos(Handle(), after, Left(), Top(), Width(), Height(), SWP_NOMOVE | SWP_NOSIZE);
  if (after == HWND_NOTOPMOST) EnsureNotTopmost(Handle());
}

void TSNX_MAIN::PM_ExitClick(TObject*) { Close(); }

void TSNX_MAIN::PM_StartClick(TObject*) { Capture->Start(); }

void TSNX_MAIN::PM_StopClick(TObject*) { Capture->Stop(); }

void TSNX_MAIN::PM_AboutClick(TObject*) {
  SNX_ABOUT->SetLeft(0);
  SNX_ABOUT->SetTop(0);
  SNX_ABOUT->ShowModal();
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
