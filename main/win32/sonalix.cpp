// Entry routine: the application, its two windows, the message loop.
#include <windows.h>

#include "about/win32/snx_about.h"
#include "framework/win32/application.h"
#include "main/win32/snx_main.h"

namespace snx {

// The program's two windows, for the whole run.
TSNX_MAIN* SNX_MAIN = nullptr;
TSNX_ABOUT* SNX_ABOUT = nullptr;

}  // namespace snx

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  snx::TWin32Application application;
  try {
    application.SetTitle("Sonalix 100115");
    application.CreateForm(snx::SNX_MAIN);
    application.CreateForm(snx::SNX_ABOUT);
    snx::SNX_MAIN->SetAboutDialog(snx::SNX_ABOUT);
    application.Run();
  } catch (...) {
    application.HandleException(std::current_exception());
  }
  return 0;
}
