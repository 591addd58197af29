#include "framework/core/application.h"

#include "framework/core/object.h"

namespace snx {

namespace {
TApplication* g_application = nullptr;

// The code point that ends a UTF-8 string (0 for an empty one).
char32_t LastCodePoint(const std::string& s) {
  if (s.empty()) return 0;
  std::size_t i = s.size() - 1;
  while (i > 0 && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) --i;
  auto lead = static_cast<unsigned char>(s[i]);
  int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
  char32_t cp = lead & (0x7F >> (extra == 0 ? 0 : extra + 1));
  for (int k = 1; k <= extra && i + static_cast<std::size_t>(k) < s.size(); ++k) {
    cp = (cp << 6) | (static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]) & 0x3F);
  }
  return cp;
}
}  // namespace

TApplication::TApplication() : TComponent(nullptr) {
  if (g_application != nullptr) throw std::logic_error("an application object exists already");
  g_application = this;
}

TApplication::~TApplication() { g_application = nullptr; }

TApplication& ApplicationOf(TComponent* component) {
  for (TComponent* c = component; c != nullptr; c = c->Owner()) {
    if (auto* application = dynamic_cast<TApplication*>(c)) return *application;
  }
  throw std::logic_error("no application owns this component");
}

TApplication& Application() {
  if (g_application == nullptr) throw std::logic_error("no application object");
  return *g_application;
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
