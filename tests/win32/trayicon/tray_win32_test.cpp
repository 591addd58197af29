#include <windows.h>

#include <gtest/gtest.h>
#include <shellapi.h>

#include <atomic>
#include <future>
#include <thread>

#include "framework/win32/application.h"
#include "framework/win32/form.h"
#include "tests/patience.h"
#include "trayicon/core/tray_icon.h"
#include "trayicon/win32/file_version.h"
#include "trayicon/win32/notify_icon_data.h"
#include "trayicon/win32/win32_tray_platform.h"

namespace snx {
namespace {

// The system's application icon: shared, never destroyed.
class SystemIcon final : public TIconImage {
 public:
  TIconHandle Handle() const override {
    return static_cast<TIconHandle>(reinterpret_cast<std::uintptr_t>(LoadIconW(nullptr, IDI_APPLICATION)));
  }
};

// Handles this thread's messages until `done` holds or the tests' patience
// is spent: under Wine, activation and the shell's answers cross to other
// processes and the X server, which a loaded machine keeps waiting.
template <class Done>
bool PumpUntil(Done done) {
  const auto timeout_ms = static_cast<DWORD>(std::chrono::milliseconds(kPatience).count());
  for (const DWORD start = GetTickCount(); !done();) {
    if (GetTickCount() - start > timeout_ms) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&msg);
  }
  return true;
}

// A window on a thread of its own stands for another program: activation is
// kept per thread, so the test thread then has no active window, as a
// program in the background has none.
class OtherProgramWindow {
 public:
  OtherProgramWindow() {
    std::promise<HWND> created;
    std::future<HWND> window = created.get_future();
    thread_ = std::thread([this, &created] {
      thread_id_ = GetCurrentThreadId();
      HWND w = CreateWindowExW(0, L"STATIC", L"Other program", WS_POPUP | WS_VISIBLE, 500, 100, 200, 100, nullptr,
                               nullptr, nullptr, nullptr);
      created.set_value(w);
      for (MSG msg; GetMessageW(&msg, nullptr, 0, 0) > 0;) DispatchMessageW(&msg);
      ended_ = true;
    });
    window_ = window.get();
  }
  ~OtherProgramWindow() {
    // The window closes first, then the loop ends; its going may call on
    // this thread, so this thread keeps handling messages meanwhile.
    PostMessageW(window_, WM_CLOSE, 0, 0);
    PostThreadMessageW(thread_id_, WM_QUIT, 0, 0);
    PumpUntil([&] { return ended_.load(); });
    thread_.join();
  }
  HWND Handle() const { return window_; }

 private:
  std::thread thread_;
  std::atomic<bool> ended_ = false;
  DWORD thread_id_ = 0;
  HWND window_ = nullptr;
};

// A tray icon with the system's icon on a form of its own, in the shell.
class Win32TrayTest : public ::testing::Test {
 protected:
  Win32TrayTest() {
    TIcon icon;
    icon.SetImage(std::make_shared<SystemIcon>());
    tray_->SetIcon(&icon);
    tray_->SetVisible(true);
  }
  // The hidden window the shell reports to.
  HWND Window() const { return FindWindowExW(form_->Handle(), nullptr, L"TCallbackWindow", nullptr); }
  // Asks the shell directly about this icon.
  bool Shell(DWORD message) const {
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = Window();
    data.uID = id_;
    return Shell_NotifyIconA(message, &data) != FALSE;
  }

  TWin32Application application_;
  TForm* form_ = new TForm(&application_);
  TTrayIcon* tray_ = new TTrayIcon(form_, Win32TrayPlatform());
  UINT id_ = static_cast<UINT>(tray_->IconID());
};

TEST_F(Win32TrayTest, TheShellHoldsTheIconThroughItsChangesUntilDestruction) {
  std::uint16_t major = 0;
  GetSysFileVersion(Win32SystemVersions(), "shell32.dll", major);
  EXPECT_GE(major, 5);  // the 488-byte record, balloons, hiding in place
  ASSERT_TRUE(tray_->IconAdded());
  tray_->SetTipHelp("Sonalix test");
  tray_->SetVisible(false);
  tray_->SetVisible(true);
  tray_->ShowBalloon(TBalloonInfoIconFlag::biifInfo, "Title", "Text", 10);
  tray_->HideBalloon();
  EXPECT_TRUE(Shell(NIM_MODIFY));
  delete tray_;
  EXPECT_FALSE(Shell(NIM_MODIFY));
}

TEST_F(Win32TrayTest, NotificationsReachAnUnseenChildOfTheFormWithTheCursorPosition) {
  EXPECT_EQ(GetParent(Window()), form_->Handle());
  EXPECT_FALSE(IsWindowVisible(Window()));
  RECT r;
  GetWindowRect(Window(), &r);
  EXPECT_TRUE(r.right == r.left && r.bottom == r.top);

  SetCursorPos(321, 123);
  POINT cursor;
  GetCursorPos(&cursor);
  int moves = 0;
  tray_->OnMouseMove = [&](TObject*, TShiftState, int x, int y) { moves += x == cursor.x && y == cursor.y; };
  SendMessageW(Window(), kTrayCallbackMessage, static_cast<WPARAM>(tray_->IconID()), WM_MOUSEMOVE);
  EXPECT_EQ(moves, 1);
}

TEST_F(Win32TrayTest, ASingleClickArrivesOnThisThreadAfterTheDoubleClickTime) {
  DWORD clicked_on = 0;
  tray_->OnClick = [&](TObject*) { clicked_on = GetCurrentThreadId(); };
  const DWORD start = GetTickCount();
  SendMessageW(Window(), kTrayCallbackMessage, static_cast<WPARAM>(tray_->IconID()), WM_LBUTTONUP);
  ASSERT_TRUE(PumpUntil([&] { return clicked_on != 0; }));
  EXPECT_EQ(clicked_on, GetCurrentThreadId());
  EXPECT_GE(GetTickCount() - start + 16, GetDoubleClickTime() + 50);  // ticks move in steps of up to 16 ms
}

TEST_F(Win32TrayTest, TheTaskbarAnnouncementBringsBackAnIconTheShellLost) {
  ASSERT_TRUE(Shell(NIM_DELETE));  // as a restarted shell would have
  ASSERT_FALSE(Shell(NIM_MODIFY));
  SendNotifyMessageW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_TRUE(PumpUntil([&] { return Shell(NIM_MODIFY); }));
}

TEST_F(Win32TrayTest, WithFormActiveByMouseupAReleaseBringsTheLastActiveFormBackFromBehindAnotherProgram) {
  tray_->SetFormActiveByMouseup(true);
  form_->SetClientSize(200, 100);
  form_->Show();
  SetForegroundWindow(form_->Handle());
  ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == form_->Handle(); }));
  OtherProgramWindow other;
  SetForegroundWindow(other.Handle());
  ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == other.Handle() && GetActiveWindow() == nullptr; }));
  SendMessageW(Window(), kTrayCallbackMessage, static_cast<WPARAM>(tray_->IconID()), WM_RBUTTONUP);
  EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == form_->Handle(); }));
}

// The hidden window goes with the form it is a child of; an icon shown
// afterwards reports through a new one, a child of its own form.
TEST_F(Win32TrayTest, AfterTheFormWithTheCallbackWindowHasGoneTheNextIconGetsANewOne) {
  delete form_;
  form_ = new TForm(&application_);
  tray_ = new TTrayIcon(form_, Win32TrayPlatform());
  TIcon icon;
  icon.SetImage(std::make_shared<SystemIcon>());
  tray_->SetIcon(&icon);
  tray_->SetVisible(true);
  ASSERT_NE(Window(), nullptr);
  int moves = 0;
  tray_->OnMouseMove = [&](TObject*, TShiftState, int, int) { ++moves; };
  SendMessageW(Window(), kTrayCallbackMessage, static_cast<WPARAM>(tray_->IconID()), WM_MOUSEMOVE);
  EXPECT_EQ(moves, 1);
}

// In the Japanese code page a character takes one or two bytes; a cut never
// leaves half of one.
TEST(CodePageText, ATipIsCutToWholeCharactersOfItsCodePage) {
  TCodePageText japanese(932);
  const std::string kana = japanese.Encode("音");
  EXPECT_EQ(kana, "\x89\xB9");
  std::string tip = std::string(62, 'a') + kana;  // the 63rd byte leads a character
  EXPECT_EQ(WholeCharacters(tip, 63, japanese), std::string(62, 'a'));
  EXPECT_EQ(WholeCharacters("a" + kana + "b", 3, japanese), "a" + kana);
}

}  // namespace
}  // namespace snx
