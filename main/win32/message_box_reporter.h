#pragma once
// Failures shown in a modal error box owned by a window.
#include <windows.h>

#include "main/core/error_reporter.h"

namespace snx {

class TMessageBoxReporter final : public TErrorReporter {
 public:
  explicit TMessageBoxReporter(HWND owner) : owner_(owner) {}
  void ShowError(const std::string& text, const std::string& caption) override;

 private:
  HWND owner_;
};

}  // namespace snx
