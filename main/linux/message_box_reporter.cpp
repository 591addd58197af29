#include "main/linux/message_box_reporter.h"

#include "framework/linux/application.h"
#include "framework/linux/message_box.h"

namespace snx {

void TMessageBoxReporter::ShowError(const std::string& text, const std::string& caption) {
  auto* owner = dynamic_cast<TForm*>(owner_.OwnerApplication().BoxOwner(&owner_));
  ShowErrorBox(GTK_WINDOW((owner != nullptr ? *owner : owner_).Handle()), text, caption);
}

}  // namespace snx
