#pragma once
// Failures shown in a modal error box over a window.
#include <gtk/gtk.h>

#include "main/core/error_reporter.h"

namespace snx {

class TMessageBoxReporter final : public TErrorReporter {
 public:
  // `owner` may be null.
  explicit TMessageBoxReporter(GtkWindow* owner) : owner_(owner) {}
  void ShowError(const std::string& text, const std::string& caption) override;

 private:
  GtkWindow* owner_;
};

}  // namespace snx
