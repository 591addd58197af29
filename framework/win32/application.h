#pragma once
// The application object on Win32: COM for the UI thread, the hidden window
// that carries the taskbar button, form creation, the message loop.
#include <windows.h>

#include "framework/core/application.h"
#include "framework/win32/window.h"

namespace snx {

class TForm;

class TWin32Application : public TApplication, protected MessageTarget {
 public:
  TWin32Application();
  ~TWin32Application() override;

  void SetTitle(std::string title) override;
  std::string ExeName() const override;
  void ProcessMessages() override;
  TMenuItem* TrackPopupMenu(const TPopupMenu& menu, int x, int y) override;

  // The window that carries the taskbar button.
  HWND Handle() const { return window_.get(); }
  // The application's icon, the resource "MAINICON".
  HICON Icon() const { return icon_; }

  // Shows the main form, then handles messages until the program ends.
  void Run();
  void Terminate() override;

  // Called as a form becomes visible: shows the taskbar window, unless
  // someone changed its visibility since the application last set it.
  void FormShowing();

 protected:
  void ShowErrorBox(const std::string& text, const std::string& caption) override;

 private:
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override;

  struct ComScope {
    ComScope();
    ~ComScope();
    bool initialised;
  } com_;
  HICON icon_;
  UniqueWindow window_;
  bool window_shown_ = false;
  bool terminated_ = false;
};

// The Win32 application that owns `component`, directly or through its owners.
TWin32Application& Win32ApplicationOf(TComponent* component);

}  // namespace snx
