#pragma once
// Failures shown in a modal error box over a form's window, or over the
// modal form's while one is up.
#include "framework/linux/form.h"
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
