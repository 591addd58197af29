#pragma once
// The application object on GTK 3 (X11): toolkit start-up, form creation,
// the main loop, popup menus and the error box.
#include <new>
#include <string>

#include "framework/core/application.h"

namespace snx {

class TForm;

class TGtkApplication : public TApplication {
 public:
  // Starts GTK on X11 (under Wayland through XWayland); raises
  // EInvalidOperation when no display can be opened.
  TGtkApplication();
  ~TGtkApplication() override;

  void SetTitle(std::string title) override;
  std::string ExeName() const override;
  // Dispatches the main loop's pending events without waiting.
  void ProcessMessages() override;
  // A GtkMenu of the items at the screen point; returns once it has closed,
  // with the activated item or null.
  TMenuItem* TrackPopupMenu(const TPopupMenu& menu, int x, int y) override;

  // Creates a form owned by the application. `reference` already refers to
  // the form while its constructor runs; the first form is the main form.
  template <class Form>
  void CreateForm(Form*& reference);

  // Shows the main form, then runs the main loop until Terminate.
  void Run();
  void Terminate() override;
  // Nested loops (modal forms, menus) end early once this is set.
  bool Terminated() const { return terminated_; }

 protected:
  void ShowErrorBox(const std::string& text, const std::string& caption) override;

 private:
  void AfterFormCreated(TForm* form);

  bool terminated_ = false;
};

// The GTK application that owns `component`, directly or through its owners.
TGtkApplication& GtkApplicationOf(TComponent* component);

template <class Form>
void TGtkApplication::CreateForm(Form*& reference) {
  void* memory = ::operator new(sizeof(Form));
  reference = static_cast<Form*>(memory);
  try {
    new (memory) Form(this);
  } catch (...) {
    ::operator delete(memory);
    reference = nullptr;
    throw;
  }
  AfterFormCreated(reference);
}

}  // namespace snx
