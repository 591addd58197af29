#include "main/snx_main.h"

#include "framework/core/published.h"
#include "framework/core/reader.h"
#include "main/core/main_settings.h"
#include "main/core/strip_position.h"

namespace snx {

namespace {

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
      {"PM_Input", &TSNX_MAIN::PM_Input},
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
      {"PopupMenuPopup", &TSNX_MAIN::PopupMenuPopup},
  };
  return kPublished;
}

}  // namespace

TSNX_MAIN::TSNX_MAIN(TComponent* owner, TStripPlatform& platform) : TForm(owner), platform_(platform) {
  const TTrayPlatform& tray = platform_.Desktop().Tray();
  const ComponentClassTable classes{
      {"TPopupMenu", Creates<TPopupMenu>()},
      {"TMenuItem", Creates<TMenuItem>()},
      {"TTimer", Creates<TPlatformTimer>()},
      {"TTrayIcon", [&tray](TComponent* icon_owner) -> TComponent* { return new TTrayIcon(icon_owner, tray); }},
  };
  ReadDescription("TSNX_MAIN", classes, MainPublished().For(*this));

  TApplication& application = ApplicationOf(this);
  SetCaption(application.Title());
  const MainSettings settings = ReadMainSettings(*platform_.SettingsPlace().OpenSettings(application));
  // A place off every monitor would open the strip out of anyone's reach.
  const TPoint place =
      OpeningPosition({settings.left, settings.top}, {Width(), Height()}, platform_.Desktop().Monitors());
  SetLeft(place.x);
  SetTop(place.y);
  // Checked the other way round, so the click below makes an explicit
  // z-order request even for a stored "not on top".
  PM_Top->SetChecked(!settings.stay_on_top);
  PM_TopClick(this);
  device_ = settings.device;
  input_menu_.emplace(*PM_Input, [this](const std::string& id) { ChooseInput(id); });
  // The left button drags the strip wherever it is pressed.
  OnMouseDown = [this](TObject*, TMouseButton button, TShiftState, int, int) {
    if (button == TMouseButton::mbLeft) StartWindowDrag();
  };
}

TSNX_MAIN::~TSNX_MAIN() {
  // The platform outlives the strip.
  if (pacing_ != nullptr) {
    pacing_->CancelWake();
    pacing_->SetWoken(nullptr);
  }
}

void TSNX_MAIN::TPacedMeasure::MeasureBuffer(const std::uint8_t* data, std::size_t length) {
  strip_.ChannelLevels.MeasureBuffer(data, length);
  strip_.pacer_.SoundMeasured();
  strip_.Pace();
}

void TSNX_MAIN::FormCreate(TObject*) {
  pacing_ = platform_.TickPacing();
  if (pacing_ != nullptr) pacing_->SetWoken([this] { Pace(); });
  devices_ = platform_.ConnectDevices(
      *this, pacing_ != nullptr ? static_cast<TBufferMeasure&>(paced_measure_) : ChannelLevels);
  clock_.emplace(ChannelLevels, devices_->Capture(), platform_.TimerMayRest());
  devices_->Capture().SetDevice(device_);
  UpdateInputMenu();
}

void TSNX_MAIN::FormShow(TObject*) {
  platform_.Desktop().HideTaskbarButton(ApplicationOf(this));
  devices_->Skin().LoadSkin();
  // A new canvas holds none of the frames shown so far.
  painter_.Forget();
  open_ = true;
  ResumeTicks();
}

bool TSNX_MAIN::SoundPaced() const { return pacing_ != nullptr && !devices_->Capture().CaptureIdle(); }

void TSNX_MAIN::ResumeTicks() {
  if (SoundPaced()) {
    Timer->SetEnabled(false);
    // Until sound arrives the pacer ticks on the timer's schedule.
    pacer_.Restart(pacing_->Now());
    Pace();
  } else {
    if (pacing_ != nullptr) pacing_->CancelWake();
    // After a rest the next tick draws the first frame, as it always has.
    Timer->SetEnabled(true);
  }
}

void TSNX_MAIN::Pace() {
  if (!open_) return;
  // Capture failed: no more sound comes, and the timer lets the bars fall.
  if (!SoundPaced()) return ResumeTicks();
  const TPacerTime now = pacing_->Now();
  if (pacer_.TickDue(now)) {
    pacer_.Ticked(now);
    Tick();
  }
  pacing_->WakeAt(pacer_.NextDue());
}

void TSNX_MAIN::TimerTimer(TObject* sender) {
  // The description also binds the window's paint requests here (OnPaint =
  // TimerTimer), since it names one published handler per event. A paint
  // request means the window lost its pixels: it runs Repaint, which steps
  // the meter just as a tick does.
  if (sender == Timer) {
    Tick();
  } else {
    Repaint();
  }
}

void TSNX_MAIN::Tick() { Step(false); }

void TSNX_MAIN::Repaint() { Step(true); }

void TSNX_MAIN::Step(bool whole) {
  const bool ticks_needed = clock_->Tick();
  DrawMeter(whole);
  if (!ticks_needed) Timer->SetEnabled(false);
}

void TSNX_MAIN::DrawMeter(bool whole) {
  TDrawGuard& guard = devices_->DrawGuard();
  if (!guard.BeginDraw()) return;
  TMeterSurface* surface = devices_->Skin().Surface();
  if (surface != nullptr && Visible()) painter_.Paint(ChannelLevels.Snapshot(), whole, *surface);
  guard.EndDraw();
}

void TSNX_MAIN::FormClose(TObject*, TCloseAction&) {
  open_ = false;
  Timer->SetEnabled(false);
  if (pacing_ != nullptr) pacing_->CancelWake();
  devices_->Skin().ReleaseSkin();
  painter_.Forget();
  // A settings file that cannot be written is reported, but the program
  // still ends: nothing else is lost by ending.
  TApplication& application = ApplicationOf(this);
  try {
    WriteMainSettings(*platform_.SettingsPlace().OpenSettings(application),
                      MainSettings{Left(), Top(), PM_Top->Checked(), device_});
  } catch (...) {
    application.HandleException(std::current_exception());
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
  devices_->Capture().Start();
  ResumeTicks();
}

void TSNX_MAIN::PM_StopClick(TObject*) {
  devices_->Capture().Stop();
  // The timer lets the bars fall (on a platform without pacing it never stopped).
  if (pacing_ != nullptr) ResumeTicks();
}

void TSNX_MAIN::PopupMenuPopup(TObject*) { UpdateInputMenu(); }

void TSNX_MAIN::UpdateInputMenu() {
  if (devices_) input_menu_->Update(devices_->Inputs().InputDevices(), device_);
}

void TSNX_MAIN::ChooseInput(const std::string& id) {
  if (id == device_) return;
  device_ = id;
  TCaptureSource& capture = devices_->Capture();
  // An attempt under way counts as capturing: it too moves to the new input.
  const bool capturing = !capture.CaptureIdle();
  if (capturing) capture.Stop();
  capture.SetDevice(device_);
  if (capturing) PM_StartClick(this);
  UpdateInputMenu();
}

void TSNX_MAIN::PM_AboutClick(TObject*) {
  if (about_dialog_ == nullptr) return;
  about_dialog_->SetLeft(0);
  about_dialog_->SetTop(0);
  about_dialog_->ShowModal();
}

}  // namespace snx
