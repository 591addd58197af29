#pragma once
// The application object: title, executable path, message pump, popup menus
// and the standard error box. The platform layer provides the working parts;
// portable components reach them through Application().
#include <exception>
#include <string>

#include "framework/core/component.h"

namespace snx {

class TMenuItem;
class TPopupMenu;

class TApplication : public TComponent {
 public:
  TApplication() : TComponent(nullptr) {}

  const std::string& Title() const { return title_; }
  virtual void SetTitle(std::string title) { title_ = std::move(title); }
  // Full path of the running executable, UTF-8.
  virtual std::string ExeName() const = 0;
  // Handles the messages pending on the calling thread's queue, then returns.
  virtual void ProcessMessages() = 0;
  // Shows the menu at a screen point until it closes; the chosen item or null.
  virtual TMenuItem* TrackPopupMenu(const TPopupMenu& menu, int x, int y) = 0;

  // The standard error box: the message of the exception in flight, with "."
  // appended when its last character sorts after ".", the title as caption.
  void HandleException(std::exception_ptr error);
  static std::string ErrorBoxText(const std::string& message);

 protected:
  virtual void ShowErrorBox(const std::string& text, const std::string& caption) = 0;

 private:
  std::string title_;
};

// The running application; set by the platform layer (or a test) for the
// lifetime of its application object.
TApplication& Application();
void SetApplication(TApplication* application);

}  // namespace snx
