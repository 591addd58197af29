#include "main/win32/message_box_reporter.h"

#include "framework/win32/application.h"
#include "framework/win32/unicode.h"

namespace snx {

void TMessageBoxReporter::ShowError(const std::string& text, const std::string& caption) {
  auto* owner = dynamic_cast<TForm*>(owner_.OwnerApplication().BoxOwner(&owner_));
  MessageBoxW((owner != nullptr ? *owner : owner_).Handle(), Widen(text).c_str(), Widen(caption).c_str(),
              MB_ICONERROR | MB_OK);
}

}  // namespace snx
