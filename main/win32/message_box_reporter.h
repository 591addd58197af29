#pragma once
// Failures shown in a modal error box owned by a form's window, or by the
// modal form's while one is up.
#include "framework/win32/form.h"
#include "main/core/error_reporter.h"

namespace snx {

class TMessageBoxReporter final : public TErrorReporter {
 public:
  explicit TMessageBoxReporter(TForm& owner) : owner_(owner) {}
  void ShowError(const std::string& text, const std::string& caption) override;

 private:
  TForm& owner_;
};

}  // namespace snx
