#include <windows.h>

#include <shellapi.h>

#include "framework/win32/hint_window.h"
#include "framework/win32/unicode.h"
#include "urllink/core/urllink.h"

namespace snx {

namespace {

class TWin32LinkDesktop final : public TLinkDesktop {
 public:
  std::unique_ptr<THintWindow> CreateHintWindow() override { return std::make_unique<TWin32HintWindow>(); }

  TPoint CursorPos() override {
    POINT p{};
    GetCursorPos(&p);
    return {p.x, p.y};
  }

  // The wide call with the same arguments: the text reaches the shell exactly
  // whatever the system's code page.
  void Execute(std::string_view operation, std::string_view file, std::string_view parameters,
               std::string_view directory, int show_command) override {
    ShellExecuteW(nullptr, Widen(operation).c_str(), Widen(file).c_str(), Widen(parameters).c_str(),
                  Widen(directory).c_str(), show_command);
  }
};

}  // namespace

TLinkDesktop& SystemLinkDesktop() {
  // Holds no state: every link shares it.
  static TWin32LinkDesktop desktop;
  return desktop;
}

}  // namespace snx
