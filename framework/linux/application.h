#pragma once
// The application object on GTK 3 (X11): toolkit start-up, form creation,
// the main loop, popup menus and the error box.
#include <memory>
#include <string>

#include "framework/core/application.h"
#include "framework/linux/foreign_window_errors.h"
#include "framework/linux/session_end.h"

namespace snx {

class TForm;

class TGtkApplication : public TApplication {
 public:
  // Starts GTK on X11 (under Wayland through XWayland); raises
  // EInvalidOperation, naming the display, when none can be opened. A signal
  // that ends the session closes the main form, as its Exit would; a lost X
  // connection closes it too, then ends the process with status 1. An X
  // error about a window that another program destroyed ends nothing.
  TGtkApplication();
  ~TGtkApplication() override;

  void SetTitle(std::string title) override;
  std::string ExeName() const override;
  // Dispatches the main loop's pending events without waiting.
  void ProcessMessages() override;
  // A GtkMenu of the items at the screen point; returns once it has closed,
  // with the activated item or null. One menu at a time: while one is open,
  // another returns null at once.
  TMenuItem* TrackPopupMenu(const TPopupMenu& menu, int x, int y) override;

  // Shows the main form, then runs the main loop until Terminate.
  void Run();
  // Also ends the error boxes on screen.
  void Terminate() override;
  // Nested loops (modal forms, menus) end early once this is set.
  bool Terminated() const { return terminated_; }
  // The X server's connection has broken: nothing may ask it anything.
  bool DisplayLost() const { return display_lost_; }

 protected:
  void ShowErrorBox(const std::string& text, const std::string& caption) override;

 private:
  void CloseMainForm();

  bool terminated_ = false;
  bool display_lost_ = false;
  bool menu_open_ = false;
  std::unique_ptr<TForeignWindowErrors> foreign_window_errors_;
  std::unique_ptr<TSessionEnd> session_end_;
};

// The GTK application that owns `component`, directly or through its owners.
TGtkApplication& GtkApplicationOf(TComponent* component);

}  // namespace snx
