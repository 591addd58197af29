#pragma once
// How the meter's own code tells the user that something failed.
#include <string>

namespace snx {

// The caption of every error box the meter shows.
inline constexpr char kErrorCaption[] = "エラー";

// Shows a failure to the user (a modal box on the user-interface thread).
class TErrorReporter {
 public:
  virtual void ShowError(const std::string& text, const std::string& caption) = 0;

 protected:
  ~TErrorReporter() = default;
};

}  // namespace snx
