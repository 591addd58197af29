#include "main/linux/message_box_reporter.h"

#include "framework/linux/message_box.h"

namespace snx {

void TMessageBoxReporter::ShowError(const std::string& text, const std::string& caption) {
  ShowErrorBox(owner_, text, caption);
}

}  // namespace snx
