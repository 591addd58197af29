#include "trayicon/win32/win32_tray_platform.h"
#include <windows.h>

#include <shellapi.h>
#include <winver.h>

#include <atomic>
#include <cstring>
#include <deque>
#include <mutex>

#include "framework/core/screen.h"
#include "framework/core/utf.h"
#include "framework/win32/application.h"
#include "framework/win32/form.h"
#include "framework/win32/unicode.h"
#include "framework/win32/window.h"
#include "trayicon/win32/shell_notify_area.h"

namespace snx {

namespace {

// Posted to the callback window for each call handed to the user-interface thread.
constexpr UINT kRunPosted = WM_APP + 1;

// Broadcast by the shell when it has (re)created its taskbar.
UINT TaskbarCreatedMessage() {
  static const UINT kMessage = RegisterWindowMessageW(L"TaskbarCreated");
  return kMessage;
}

template <class Handle>
std::uint32_t Handle32(Handle handle) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(handle));
}

// Window and icon handles are sign-extended 32-bit values on 64-bit Windows.
template <class Handle>
Handle HandleFrom32(std::uint32_t value) {
  return reinterpret_cast<Handle>(static_cast<std::intptr_t>(static_cast<std::int32_t>(value)));
}

static_assert(sizeof(void*) != 4 || NOTIFYICONDATAA_V2_SIZE == kNotifyIconDataV5Size);
static_assert(sizeof(void*) != 4 || NOTIFYICONDATAA_V1_SIZE == kNotifyIconDataV1Size);

class TWin32Versions final : public TSystemVersions {
 public:
  TOsVersion OsVersion() override {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info)) return {};
    return {info.dwMajorVersion, info.dwMinorVersion};
  }

  std::string SystemDirectory() override {
    char path[MAX_PATH + 1] = {};
    const UINT length = GetSystemDirectoryA(path, sizeof path);
    return length < sizeof path ? std::string(path, length) : std::string();
  }

  std::uint32_t FileVersionInfoSize(const std::string& file) override {
    DWORD ignored = 0;
    return GetFileVersionInfoSizeA(file.c_str(), &ignored);
  }

  bool FileVersionInfo(const std::string& file, std::vector<std::uint8_t>& block) override {
    return GetFileVersionInfoA(file.c_str(), 0, static_cast<DWORD>(block.size()), block.data()) != FALSE;
  }

  std::optional<TFixedFileVersion> RootVersion(const std::vector<std::uint8_t>& block) override {
    void* found = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\", &found, &length) || found == nullptr || length < sizeof(VS_FIXEDFILEINFO)) {
      return std::nullopt;
    }
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(found);
    return TFixedFileVersion{info->dwFileVersionMS, info->dwFileVersionLS};
  }
};

class TWin32Forms final : public TTrayForms {
 public:
  bool ForegroundForm(TComponent* owner) override {
    auto* form = dynamic_cast<TForm*>(owner);
    if (form == nullptr) return false;
    SetForegroundWindow(form->Handle());
    return true;
  }

  // Not the thread's active window: while another program is in front, which
  // is when the tray icon is clicked, there is none.
  void ForegroundActiveForm() override { ForegroundForm(Screen().ActiveForm()); }

  TIconHandle FormIcon(TComponent* owner) override {
    auto* form = dynamic_cast<TForm*>(owner);
    if (form == nullptr || !form->HandleAllocated()) return 0;
    return static_cast<TIconHandle>(SendMessageW(form->Handle(), WM_GETICON, ICON_BIG, 0));
  }

  // The running application's, not one found through the icon's owners: the
  // icon also asks while it is being destroyed, when it has no owner any more.
  TIconHandle ApplicationIcon() override { return Handle32(dynamic_cast<TWin32Application&>(Application()).Icon()); }
};

// Shell_NotifyIconA and the hidden windows: the callback window, a child of
// the first shown icon's owner form that receives the shell's notifications
// and the calls posted to the user-interface thread, and a top-level window
// that hears the shell's restart (broadcasts reach top-level windows only).
class TWin32Shell final : public TShell, public TTrayInput, private MessageTarget {
 public:
  explicit TWin32Shell(TSystemVersions& versions) : area_(*this, ShellFeatures(versions)) {}
  ~TWin32Shell() { ForgetGoneWindow(); }
  TWin32Shell(const TWin32Shell&) = delete;
  TWin32Shell& operator=(const TWin32Shell&) = delete;

  TNotifyArea& Area() { return area_; }

  bool NotifyIcon(std::uint32_t message, const TNotifyIconDataV5A& data) override {
    // The record is the 32-bit shell's layout; the native structure has it
    // field for field (handles widened on 64-bit Windows, where window and
    // icon handles keep 32 significant bits). The record's size names the
    // layout the shell may read: the full one or the first, short one.
    NOTIFYICONDATAA shell{};
    shell.cbSize = data.cbSize == kNotifyIconDataV5Size ? NOTIFYICONDATAA_V2_SIZE : NOTIFYICONDATAA_V1_SIZE;
    shell.hWnd = HandleFrom32<HWND>(data.hWnd);
    shell.uID = data.uID;
    shell.uFlags = data.uFlags;
    shell.uCallbackMessage = data.uCallbackMessage;
    shell.hIcon = HandleFrom32<HICON>(data.hIcon);
    std::memcpy(shell.szTip, data.szTip, sizeof data.szTip);
    shell.dwState = data.dwState;
    shell.dwStateMask = data.dwStateMask;
    std::memcpy(shell.szInfo, data.szInfo, sizeof data.szInfo);
    shell.uTimeout = data.uTimeout;
    std::memcpy(shell.szInfoTitle, data.szInfoTitle, sizeof data.szInfoTitle);
    shell.dwInfoFlags = data.dwInfoFlags;
    return Shell_NotifyIconA(message, &shell) != FALSE;
  }

  std::uint32_t LastError() override { return GetLastError(); }

  void Sleep(std::uint32_t milliseconds) override { ::Sleep(milliseconds); }

  std::uint32_t CallbackWindow(TComponent* owner) override {
    if (!window_ || window_gone_) {
      // A child of the owner form, of zero size and never shown.
      auto* form = dynamic_cast<TForm*>(owner);
      WindowParams params{L"TCallbackWindow"};
      params.style = form != nullptr ? WS_CHILD : 0;
      params.parent = form != nullptr ? form->Handle() : HWND_MESSAGE;
      UniqueWindow window = CreateTargetWindow(params, this);
      if (!listener_) listener_ = CreateTargetWindow(WindowParams{L"TTaskbarListener", WS_POPUP}, this);
      if (!window || !listener_) throw EOutOfResources("window creation failed");
      std::lock_guard guard(posted_lock_);
      ForgetGoneWindow();
      window_ = std::move(window);
      window_gone_ = false;
    }
    return Handle32(window_.get());
  }

  TPoint CursorPos() override {
    POINT point{};
    GetCursorPos(&point);
    return {point.x, point.y};
  }

  std::uint32_t DoubleClickTime() override { return GetDoubleClickTime(); }

  // Only a shown icon's clicks are posted, so the callback window is there;
  // should it have gone with its form, the call is dropped with it.
  void PostToUserInterface(std::function<void()> call) override {
    std::lock_guard guard(posted_lock_);
    if (!window_ || window_gone_) return;
    posted_.push_back(std::move(call));
    PostMessageW(window_.get(), kRunPosted, 0, 0);
  }

 private:
  // A callback window that went with its parent form is not to be destroyed twice.
  void ForgetGoneWindow() {
    if (!window_gone_) return;
    [[maybe_unused]] const HWND gone = window_.release();
  }

  LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override {
    if (window == window_.get()) {
      if (message == kTrayCallbackMessage) {
        area_.CallbackMessage(wparam, lparam);
        return 0;
      }
      if (message == kRunPosted) {
        RunPosted();
        return 0;
      }
      if (message == WM_NCDESTROY) window_gone_ = true;
    } else if (window == listener_.get() && message == TaskbarCreatedMessage()) {
      area_.TaskbarCreated();
      return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
  }

  void RunPosted() {
    std::function<void()> call;
    {
      std::lock_guard guard(posted_lock_);
      if (posted_.empty()) return;
      call = std::move(posted_.front());
      posted_.pop_front();
    }
    call();
  }

  TShellNotifyArea area_;
  // Guards the callback window against the posting threads, and the calls they post.
  std::mutex posted_lock_;
  std::deque<std::function<void()>> posted_;
  // The callback window went with its parent form.
  std::atomic<bool> window_gone_ = false;
  UniqueWindow window_;
  UniqueWindow listener_;
};

struct TWin32TrayPlatform {
  TWin32Versions versions;
  TWin32Shell shell{versions};
  TCodePageText text{CP_ACP};
  TWin32Forms forms;
  TTrayIconIds ids;
  TTrayPlatform platform{shell.Area(), text, shell, forms, ids};
};

TWin32TrayPlatform& ThePlatform() {
  static TWin32TrayPlatform platform;
  return platform;
}

}  // namespace

TCodePageText::TCodePageText(unsigned code_page) : code_page_(code_page) {}

std::string TCodePageText::Encode(std::string_view utf8) {
  const std::wstring wide = Widen(utf8);
  if (wide.empty()) return {};
  const int size =
      WideCharToMultiByte(code_page_, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(code_page_, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size, nullptr, nullptr);
  return text;
}

std::size_t TCodePageText::CharacterLength(std::string_view text) {
  if ((code_page_ == CP_ACP ? GetACP() : code_page_) == CP_UTF8) {
    std::size_t next = 0;
    NextCodePoint(text, next);
    return next;
  }
  return IsDBCSLeadByteEx(code_page_, static_cast<BYTE>(text.front())) ? 2 : 1;
}

const TTrayPlatform& Win32TrayPlatform() { return ThePlatform().platform; }

TSystemVersions& Win32SystemVersions() { return ThePlatform().versions; }

}  // namespace snx
