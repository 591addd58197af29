#include "framework/core/application.h"

#include "framework/core/custom_form.h"
#include "framework/core/object.h"
#include "framework/core/utf.h"

namespace snx {

namespace {
TApplication* RegisteredApplication = nullptr;

// The character that ends a UTF-8 string (0 for an empty one).
char32_t LastCodePoint(std::string_view s) {
  char32_t last = 0;
  for (std::size_t at = 0; at < s.size();) last = NextCodePoint(s, at);
  return last;
}
}  // namespace

TApplication::TApplication() : TComponent(nullptr) {
  if (RegisteredApplication != nullptr) throw std::logic_error("an application object exists already");
  RegisteredApplication = this;
}

TApplication::~TApplication() { RegisteredApplication = nullptr; }

TCustomForm* TApplication::BoxOwner(TCustomForm* form) const {
  TCustomForm* modal = ModalForm();
  return modal != nullptr ? modal : form;
}

void TApplication::AfterFormCreated(TCustomForm* form) {
  if (main_form_ == nullptr) main_form_ = form;
  form->AfterConstruction();
}

TApplication& ApplicationOf(TComponent* component) {
  for (TComponent* c = component; c != nullptr; c = c->Owner()) {
    if (auto* application = dynamic_cast<TApplication*>(c)) return *application;
  }
  throw std::logic_error("no application owns this component");
}

TApplication& Application() {
  if (RegisteredApplication == nullptr) throw std::logic_error("no application object");
  return *RegisteredApplication;
}

std::string TApplication::ErrorBoxText(const std::string& message) {
  return LastCodePoint(message) > U'.' ? message + "." : message;
}

void TApplication::HandleException(std::exception_ptr error) {
  std::string message;
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    message = e.what();
  } catch (...) {
    // Anything that is not an exception object shows as an empty error.
  }
  ShowErrorBox(ErrorBoxText(message), title_);
}

}  // namespace snx
