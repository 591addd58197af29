// Error boxes while the version dialog is modal: each is the dialog's, so
// that the strip, which the modal loop keeps disabled, stays so once the box
// has closed. A box owned by the strip would enable it as it closes, and a
// close request meant for the dialog would then close the strip.
#include <windows.h>

#include <gtest/gtest.h>

#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/object.h"
#include "framework/platform.h"
#include "main/win32/message_box_reporter.h"

namespace snx {
namespace {

BOOL CALLBACK FindBox(HWND window, LPARAM found) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  if (IsWindowVisible(window) == FALSE || std::wstring_view(name) != L"#32770") return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

// The first box of the thread on screen, or null.
HWND ShownBox() {
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&found));
  return found;
}

struct Box {
  const char* name;
  std::function<void()> show;
};

// One dialog shown modally for all the boxes: under Wine each window that
// goes waits for the X server's word, which makes a modal run slow.
TEST(ModalBoxTest, EachBoxWhileTheDialogIsUpIsTheDialogsAndLeavesTheStripDisabled) {
  TWin32Application application;
  TForm* strip = nullptr;
  application.CreateForm(strip);
  strip->Show();
  TForm* dialog = nullptr;
  application.CreateForm(dialog);
  const std::vector<Box> boxes{
      {"the capture's error box", [&] { TMessageBoxReporter(*strip).ShowError("waveInOpen: 4", "エラー"); }},
      // The tray's menu brings the strip to the front as it opens over the dialog.
      {"the standard error box",
       [&] {
         SetForegroundWindow(strip->Handle());
         application.HandleException(std::make_exception_ptr(Exception("refused")));
       }},
  };

  std::vector<std::string> seen;
  // In each box's own loop: whose it is, then OK. A timer ticks once it has
  // a handler and an interval, and is enabled, which it is from the start.
  TPlatformTimer closer(nullptr);
  closer.SetEnabled(false);
  closer.OnTimer = [&](TObject*) {
    HWND box = ShownBox();
    if (box == nullptr) return;
    closer.SetEnabled(false);
    seen.emplace_back(GetWindow(box, GW_OWNER) == dialog->Handle() ? "the dialog's" : "not the dialog's");
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  };
  closer.SetInterval(10);
  // In the dialog's modal loop: the boxes, then the dialog's close.
  TPlatformTimer opener(nullptr);
  opener.OnTimer = [&](TObject*) {
    opener.SetEnabled(false);
    for (const Box& box : boxes) {
      closer.SetEnabled(true);
      box.show();
      seen.emplace_back(std::string(box.name) + (IsWindowEnabled(strip->Handle()) ? ": strip enabled" : ": closed"));
    }
    dialog->Close();
  };
  opener.SetInterval(10);
  dialog->ShowModal();

  EXPECT_EQ(seen, (std::vector<std::string>{"the dialog's", "the capture's error box: closed", "the dialog's",
                                            "the standard error box: closed"}));
  EXPECT_TRUE(IsWindowEnabled(strip->Handle())) << "the dialog's end left the strip disabled";
}

}  // namespace
}  // namespace snx
