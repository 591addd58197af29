#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "framework/win32/canvas.h"
#include "framework/win32/handles.h"
#include "framework/win32/unicode.h"
#include "framework/win32/window.h"
#include "urllink/core/urllink.h"

namespace snx {
namespace {

// The stand-in openers append "name target" lines to this file (a Unix path,
// reached through Wine's Z: drive).
std::string OpenerLog() {
  const char* log = std::getenv("SONALIX_OPENER_LOG");
  if (log == nullptr) return {};
  std::string path = std::string("Z:") + log;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

struct ShellCase {
  const char* name;
  TURLtype type;
  const char* link;
  const char* opened;  // what the desktop's opener is run with
};

class URLLinkShellTest : public testing::TestWithParam<ShellCase> {
 protected:
  void SetUp() override {
    ASSERT_FALSE(log_.empty()) << "SONALIX_OPENER_LOG names the stand-in openers' log";
    DeleteFileW(Widen(log_).c_str());
  }
  // The shell starts the opener asynchronously.
  std::string WaitForOpener() const {
    for (int i = 0; i < 300; ++i) {
      const std::string text = ReadFile(log_);
      if (!text.empty() && text.back() == '\n') return text;
      Sleep(50);
    }
    return "(nothing opened)";
  }
  const std::string log_ = OpenerLog();
};

TEST_P(URLLinkShellTest, LeftPressHandsTheExactTargetToTheDesktopsOpener) {
  TURLLink link(nullptr, SystemLinkDesktop());
  link.SetURLtype(GetParam().type);
  link.SetLink(GetParam().link);
  link.MouseDown(TMouseButton::mbLeft, TShiftState(TShiftMember::ssLeft), 1, 1);
  EXPECT_EQ(WaitForOpener(), std::string(GetParam().opened) + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Targets, URLLinkShellTest,
    testing::Values(ShellCase{"Web", TURLtype::tpURL, "http://sonalix.example.org/about?lang=ja&x=1#top",
                              "xdg-open http://sonalix.example.org/about?lang=ja&x=1#top"},
                    ShellCase{"MailType", TURLtype::tpMAIL, "info@sonalix.example.org",
                              "xdg-email mailto:info@sonalix.example.org"},
                    ShellCase{"MailtoInTheLink", TURLtype::tpURL, "mailto:info@sonalix.example.org?subject=Sonalix",
                              "xdg-email mailto:info@sonalix.example.org?subject=Sonalix"}),
    [](const testing::TestParamInfo<ShellCase>& param) { return std::string(param.param.name); });

// Pixels of a window that differ from a colour.
int InkPixels(HWND window, COLORREF background) {
  RECT r;
  GetClientRect(window, &r);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), r.right, -r.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const UniqueMemoryDC memory(CreateCompatibleDC(nullptr));
  const UniqueBitmap picture(CreateDIBSection(memory.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  const HGDIOBJ original = SelectObject(memory.get(), picture.get());
  {
    const TWindowDC dc(window);
    BitBlt(memory.get(), 0, 0, r.right, r.bottom, dc.Get(), 0, 0, SRCCOPY);
  }
  GdiFlush();
  const auto* pixel = static_cast<const std::uint32_t*>(bits);
  const std::uint32_t bg = GetRValue(background) << 16 | GetGValue(background) << 8 | GetBValue(background);
  int ink = 0;
  for (int i = 0; i < r.right * r.bottom; ++i) ink += (pixel[i] & 0xFFFFFF) != bg ? 1 : 0;
  SelectObject(memory.get(), original);
  return ink;
}

TEST(HintWindowTest, ShowsBesideThePointerWithoutActivationAndRedrawsItsTextWhenUncovered) {
  TURLLink link(nullptr, SystemLinkDesktop());
  link.SetLink("http://sonalix.example.org/");
  // A window that has the focus, as the dialog does when the pointer moves.
  const UniqueWindow focused(CreateWindowExW(0, L"STATIC", L"focused", WS_POPUP | WS_VISIBLE, 500, 400, 80, 40, nullptr,
                                             nullptr, nullptr, nullptr));
  SetForegroundWindow(focused.get());
  const HWND foreground = GetForegroundWindow();
  ASSERT_EQ(foreground, focused.get());

  POINT pointer;
  GetCursorPos(&pointer);
  link.MouseMove({}, 1, 1);
  const HWND hint = FindWindowW(L"THintWindow", nullptr);
  ASSERT_NE(hint, nullptr);
  EXPECT_TRUE(IsWindowVisible(hint));
  EXPECT_EQ(GetForegroundWindow(), foreground);
  EXPECT_NE(GetWindowLongW(hint, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  RECT r;
  GetWindowRect(hint, &r);
  const TSize text = MeasureText(link.HintFormFont(), L"http://sonalix.example.org/");
  EXPECT_EQ(r.left, pointer.x + 15);
  EXPECT_EQ(r.top, pointer.y + 15);
  EXPECT_EQ(r.right - r.left, text.cx + 6);
  EXPECT_EQ(r.bottom - r.top, text.cy + 3);

  // Uncovering erases the window and asks it to paint: the text comes back.
  InvalidateRect(hint, nullptr, TRUE);
  UpdateWindow(hint);
  EXPECT_GT(InkPixels(hint, ColorToRGB(clInfoBk)), text.cx);

  link.CMMouseLeave();
  EXPECT_FALSE(IsWindowVisible(hint));
}

}  // namespace
}  // namespace snx
