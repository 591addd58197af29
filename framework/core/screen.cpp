#include "framework/core/screen.h"

namespace snx {

void TScreen::FormActivated(TComponent* form) {
  if (form == active_form_) return;
  RemoveFreeNotification(active_form_);
  active_form_ = form;
  FreeNotification(form);
}

void TScreen::FormHidden(TComponent* form) {
  if (form != active_form_) return;
  RemoveFreeNotification(active_form_);
  active_form_ = nullptr;
}

void TScreen::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && component == active_form_) active_form_ = nullptr;
}

TScreen& Screen() {
  static TScreen screen;
  return screen;
}

}  // namespace snx
