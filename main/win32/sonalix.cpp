// Entry routine: the application, its two windows, the message loop.
#include <windows.h>

#include "about/win32/snx_about.h"
#include "framework/win32/application.h"
#include "main/win32/snx_main.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  snx::TWin32Application application;
  try {
    application.SetTitle("Sonalix 100115");
    application.CreateForm(snx::SNX_MAIN);
    application.CreateForm(snx::SNX_ABOUT);
    application.Run();
  } catch (...) {
    application.HandleException(std::current_exception());
  }
  return 0;
}
