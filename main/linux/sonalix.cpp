// Entry routine: the application, its two windows, the main loop.
#include <cstdio>
#include <exception>
#include <optional>

#include "about/linux/snx_about.h"
#include "framework/linux/application.h"
#include "main/linux/snx_main.h"

namespace snx {

// The program's two windows, for the whole run.
TSNX_MAIN* SNX_MAIN = nullptr;
TSNX_ABOUT* SNX_ABOUT = nullptr;

}  // namespace snx

int main() {
  std::optional<snx::TGtkApplication> application;
  try {
    application.emplace();
  } catch (const std::exception& e) {
    // Without a display there is no error box to show it in.
    std::fprintf(stderr, "sonalix: %s\n", e.what());
    return 1;
  }
  try {
    application->SetTitle("Sonalix 100115");
    application->CreateForm(snx::SNX_MAIN);
    application->CreateForm(snx::SNX_ABOUT);
    snx::SNX_MAIN->SetAboutDialog(snx::SNX_ABOUT);
    application->Run();
  } catch (...) {
    application->HandleException(std::current_exception());
  }
  return 0;
}
