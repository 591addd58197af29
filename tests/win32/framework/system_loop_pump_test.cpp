// A pump run inside the system's own loop of a popup menu or a window move,
// as the strip's tick runs one on every draw: the loop reads the thread's
// input itself, so a key that is pending when the tick comes is the loop's.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>

#include "framework/core/menu.h"
#include "framework/win32/application.h"
#include "framework/win32/form.h"
#include "tests/patience.h"

namespace snx {
namespace {

class SystemLoopPumpTest : public ::testing::Test {
 protected:
  // Runs `loop` with a 10 ms tick that pumps, as the strip's does. The first
  // tick gives Escape to the loop and pumps straight after: the worst moment.
  // A loop that never sees that key is ended after the tests' patience by
  // the ticks, which then stop pumping and give Escape until the loop takes
  // one. Whether it took the first.
  bool LoopTakesTheKeyPendingAtATick(const std::function<void()>& loop) {
    Running = this;
    const UINT_PTR tick = SetTimer(nullptr, 0, 10, Tick);
    const UINT_PTR give_up =
        SetTimer(nullptr, 0, static_cast<UINT>(std::chrono::milliseconds(kPatience).count()), GiveUp);
    loop();
    KillTimer(nullptr, tick);
    KillTimer(nullptr, give_up);
    Running = nullptr;
    MSG left;
    while (PeekMessageW(&left, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE)) {
    }
    return escape_given_ && !given_up_;
  }

  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (Running == nullptr) return;
    if (!Running->escape_given_ || Running->given_up_) {
      Running->escape_given_ = true;
      PostThreadMessageW(GetCurrentThreadId(), WM_KEYDOWN, VK_ESCAPE, 0);
    }
    if (!Running->given_up_) Running->application_.ProcessMessages();
  }

  static void CALLBACK GiveUp(HWND, UINT, UINT_PTR, DWORD) {
    if (Running != nullptr) Running->given_up_ = true;
  }

  TWin32Application application_;

 private:
  // The test whose loop runs: a thread timer's callback carries no pointer.
  static inline SystemLoopPumpTest* Running = nullptr;
  bool escape_given_ = false;
  bool given_up_ = false;
};

TEST_F(SystemLoopPumpTest, AnOpenPopupMenuTakesTheKeyPendingAtATick) {
  auto* menu = new TPopupMenu(&application_);
  auto* item = new TMenuItem(&application_);
  item->SetCaption("開始(&S)");
  menu->Items().Add(item);
  TMenuItem* chosen = item;
  EXPECT_TRUE(LoopTakesTheKeyPendingAtATick([&] { chosen = application_.TrackPopupMenu(*menu, 100, 100); }));
  EXPECT_EQ(chosen, nullptr);
}

TEST_F(SystemLoopPumpTest, AWindowMoveTakesTheKeyPendingAtATick) {
  TForm* form = nullptr;
  application_.CreateForm(form);
  form->Show();
  EXPECT_TRUE(
      LoopTakesTheKeyPendingAtATick([&] { SendMessageW(form->Handle(), WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0); }));
}

}  // namespace
}  // namespace snx
