#pragma once
// The strip form's published members under the names its description uses.
// Each platform has its own form class with these members; the names, and so
// the description, are shared.
#include "framework/core/published.h"

namespace snx {

template <class MainForm>
const TPublished<MainForm>& MainPublished() {
  static const TPublished<MainForm> kPublished{
      {"PopupMenu", &MainForm::PopupMenu},
      {"PM_Start", &MainForm::PM_Start},
      {"PM_Stop", &MainForm::PM_Stop},
      {"PM_N01", &MainForm::PM_N01},
      {"PM_Exit", &MainForm::PM_Exit},
      {"Timer", &MainForm::Timer},
      {"TrayIcon", &MainForm::TrayIcon},
      {"PM_N02", &MainForm::PM_N02},
      {"PM_Top", &MainForm::PM_Top},
      {"PM_About", &MainForm::PM_About},
      {"PM_N03", &MainForm::PM_N03},
      {"PM_StartClick", &MainForm::PM_StartClick},
      {"PM_StopClick", &MainForm::PM_StopClick},
      {"PM_ExitClick", &MainForm::PM_ExitClick},
      {"FormCreate", &MainForm::FormCreate},
      {"FormClose", &MainForm::FormClose},
      {"TimerTimer", &MainForm::TimerTimer},
      {"FormShow", &MainForm::FormShow},
      {"FormMouseUp", &MainForm::FormMouseUp},
      {"PM_TopClick", &MainForm::PM_TopClick},
      {"PM_AboutClick", &MainForm::PM_AboutClick},
  };
  return kPublished;
}

}  // namespace snx
