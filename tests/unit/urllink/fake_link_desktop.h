#pragma once
// A recording desktop for hyperlink labels: the hint window as a log of what
// was asked of it, and each target handed to the shell.
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/hint_window.h"
#include "urllink/core/urllink.h"

namespace snx {

// The hint window as a log of what was asked of it. Text is 7 pixels a
// byte wide and as high as the font.
class FakeHintWindow final : public THintWindow {
 public:
  explicit FakeHintWindow(std::vector<std::string>& log) : log_(log) {}
  void SetColor(TColor color) override { log_.push_back("color " + std::to_string(color)); }
  TFont& Font() override { return font_; }
  TSize TextExtent(std::string_view text) override {
    return {static_cast<int>(text.size()) * 7, std::abs(font_.Height())};
  }
  void SetBounds(int left, int top, int width, int height) override {
    log_.push_back("bounds " + std::to_string(left) + "," + std::to_string(top) + " " + std::to_string(width) + "x" +
                   std::to_string(height) + " in " + font_.Name());
  }
  void ShowNoActivate() override { log_.emplace_back("show"); }
  void Hide() override { log_.emplace_back("hide"); }
  void ShowText(int x, int y, std::string text) override {
    log_.push_back("text " + std::to_string(x) + "," + std::to_string(y) + " " + text);
  }

 private:
  std::vector<std::string>& log_;
  TFont font_;
};

class FakeDesktop final : public TLinkDesktop {
 public:
  std::unique_ptr<THintWindow> CreateHintWindow() override { return std::make_unique<FakeHintWindow>(hint_log); }
  TPoint CursorPos() override { return pointer; }
  void Execute(std::string_view operation, std::string_view file, std::string_view parameters,
               std::string_view directory, int show_command) override {
    opened.push_back(std::string(operation) + "|" + std::string(file) + "|" + std::string(parameters) + "|" +
                     std::string(directory) + "|" + std::to_string(show_command));
  }

  std::vector<std::string> hint_log;
  std::vector<std::string> opened;
  TPoint pointer{100, 200};
};

}  // namespace snx
