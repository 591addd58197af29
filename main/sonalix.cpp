// Entry routine: the application, its two windows, the message loop.
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>

#include "about/snx_about.h"
#include "framework/platform.h"
#include "main/snx_main.h"
#include "main/strip_platform.h"

int main() {
  // Outlives the application, which destroys the strip it is given to.
  const std::unique_ptr<snx::TStripPlatform> platform = snx::NativeStripPlatform();
  std::optional<snx::TPlatformApplication> application;
  try {
    application.emplace();
  } catch (const std::exception& e) {
    // Without a display there is no error box to show it in.
    std::fprintf(stderr, "sonalix: %s\n", e.what());
    return 1;
  }
  try {
    application->SetTitle("Sonalix 100115");
    snx::TSNX_MAIN* strip = nullptr;
    snx::TSNX_ABOUT* about = nullptr;
    application->CreateForm(strip, *platform);
    application->CreateForm(about);
    strip->SetAboutDialog(about);
    application->Run();
  } catch (...) {
    application->HandleException(std::current_exception());
  }
  return 0;
}
