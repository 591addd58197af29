#pragma once
// The screen object: the program's forms seen as a whole. It knows the form
// the user last worked with, which stays the active form while another
// program is in front (the system then reports no active window at all).
#include "framework/core/component.h"

namespace snx {

class TScreen : public TComponent {
 public:
  TScreen() : TComponent(nullptr) {}

  // The form of this program activated last, until it is hidden or
  // destroyed; null when there is none.
  TComponent* ActiveForm() const { return active_form_; }
  // Forms report their activation and their hiding.
  void FormActivated(TComponent* form);
  void FormHidden(TComponent* form);

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TComponent* active_form_ = nullptr;
};

// The program's screen object.
TScreen& Screen();

}  // namespace snx
