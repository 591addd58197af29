#pragma once
// The application object: title, main form, executable path, message pump,
// popup menus and the standard error box. The platform layer provides the
// working parts; components reach them through the application that owns
// them (ApplicationOf).
#include <exception>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "framework/core/component.h"

namespace snx {

class TCustomForm;
class TMenuItem;
class TPopupMenu;

// A process runs one application: constructing a second while one exists
// raises std::logic_error.
class TApplication : public TComponent {
 public:
  TApplication();
  ~TApplication() override;
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  const std::string& Title() const { return title_; }
  virtual void SetTitle(std::string title) { title_ = std::move(title); }
  // Full path of the running executable, UTF-8.
  virtual std::string ExeName() const = 0;
  // Handles the messages pending on the calling thread's queue, then returns.
  virtual void ProcessMessages() = 0;
  // Shows the menu at a screen point until it closes; the chosen item or null.
  virtual TMenuItem* TrackPopupMenu(const TPopupMenu& menu, int x, int y) = 0;
  // The first form the platform created for the application; null before.
  TCustomForm* MainForm() const { return main_form_; }
  // The form whose modal loop runs innermost, or null. While it runs, the
  // program's other windows take no input.
  TCustomForm* ModalForm() const { return modal_forms_.empty() ? nullptr : modal_forms_.back(); }
  // The form that a box shown for `form` belongs to: the modal form while
  // one runs, else `form`. A box disables its owner while it is up and gives
  // it the input back as it closes, which must not happen to a window that a
  // modal loop keeps disabled: the strip would then take clicks and close
  // requests meant for the dialog.
  TCustomForm* BoxOwner(TCustomForm* form) const;
  // Ends the program's message loop.
  virtual void Terminate() = 0;

  // Creates a form owned by the application, constructed from the application
  // and `args`. `reference` already refers to the form while its constructor
  // runs; the first form is the main form.
  template <class Form, class... Args>
  void CreateForm(Form*& reference, Args&&... args);

  // The standard error box: the message of the exception in flight, with "."
  // appended when its last character sorts after ".", the title as caption.
  void HandleException(std::exception_ptr error);
  static std::string ErrorBoxText(const std::string& message);

 protected:
  virtual void ShowErrorBox(const std::string& text, const std::string& caption) = 0;
  void SetMainForm(TCustomForm* form) { main_form_ = form; }

 private:
  friend class TCustomForm;
  void AfterFormCreated(TCustomForm* form);

  std::string title_;
  TCustomForm* main_form_ = nullptr;
  // Innermost last: a modal form can show another.
  std::vector<TCustomForm*> modal_forms_;
};

template <class Form, class... Args>
void TApplication::CreateForm(Form*& reference, Args&&... args) {
  void* memory = ::operator new(sizeof(Form));
  reference = static_cast<Form*>(memory);
  try {
    new (memory) Form(this, std::forward<Args>(args)...);
  } catch (...) {
    ::operator delete(memory);
    reference = nullptr;
    throw;
  }
  AfterFormCreated(reference);
}

// The application that owns `component`, directly or through its owners;
// std::logic_error when none does.
TApplication& ApplicationOf(TComponent* component);

// The running application, for code with no owner to ask: a window procedure
// reporting an exception, a component being destroyed (no longer owned).
TApplication& Application();

}  // namespace snx
