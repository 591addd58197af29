#include "trayicon/win32/win32_tray_platform.h"
#include <windows.h>

#include <shellapi.h>
#include <winver.h>

#include <cstring>

#include "framework/core/screen.h"
#include "framework/win32/application.h"
#include "framework/win32/form.h"
#include "framework/win32/unicode.h"
#include "framework/win32/window.h"
#include "trayicon/core/tray_callback.h"

namespace snx {

namespace {

// Posted by a single-click thread to the callback window as its wait ends.
constexpr UINT kSingleClickEnd = WM_APP + 1;

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

class TWin32CallbackHost final : public TCallbackWindowHost, private MessageTarget {
 public:
  TWin32CallbackHost(TCallbackWindow& target, TComponent* parent) : target_(target) {
    // A child of the owner form, of zero size and never shown.
    auto* form = dynamic_cast<TForm*>(parent);
    WindowParams params{L"TCallbackWindow"};
    params.style = form != nullptr ? WS_CHILD : 0;
    params.parent = form != nullptr ? form->Handle() : HWND_MESSAGE;
    window_ = CreateTargetWindow(params, this);
    // Broadcasts reach top-level windows only, so a hidden one listens for
    // the shell's restart on the child's behalf.
    listener_ = CreateTargetWindow(WindowParams{L"TTaskbarListener", WS_POPUP}, this);
    if (!window_ || !listener_) throw EOutOfResources("window creation failed");
  }

  std::uint32_t Handle() const override { return Handle32(window_.get()); }

  void PostSingleClickEnd(TSingleClick* thread) override {
    PostMessageW(window_.get(), kSingleClickEnd, 0, reinterpret_cast<LPARAM>(thread));
  }

 private:
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override {
    if (message == kTrayCallbackMessage && window == window_.get()) {
      TMessage m{message, wparam, lparam, 0};
      target_.CallbackWndProc(m);
      return m.result;
    }
    if (message == kSingleClickEnd && window == window_.get()) {
      target_.SingleClickEnded(reinterpret_cast<TSingleClick*>(lparam));
      return 0;
    }
    if (message == TaskbarCreatedMessage() && window == listener_.get()) {
      target_.TaskbarCreated();
      return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
  }

  TCallbackWindow& target_;
  UniqueWindow window_;
  UniqueWindow listener_;
};

}  // namespace

namespace {

TWin32TrayPlatform& ThePlatform() {
  static TWin32TrayPlatform platform;
  return platform;
}

}  // namespace

const TTrayPlatform& Win32TrayPlatform() {
  static const TTrayPlatform kTable{ThePlatform(), ThePlatform(), ThePlatform()};
  return kTable;
}

TSystemVersions& Win32SystemVersions() { return ThePlatform(); }

TNotifyAreaFeatures TWin32TrayPlatform::Features() { return ShellFeatures(*this); }

bool TWin32TrayPlatform::NotifyIcon(std::uint32_t message, const TNotifyIconDataV5A& data) {
  // The record is the 32-bit shell's layout; the native structure has it
  // field for field (handles widened on 64-bit Windows, where window and icon
  // handles keep 32 significant bits). The record's size names the layout the
  // shell may read: the full one or the first, short one.
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

std::uint32_t TWin32TrayPlatform::LastError() { return GetLastError(); }

void TWin32TrayPlatform::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

TOsVersion TWin32TrayPlatform::OsVersion() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionExA(&info)) return {};
  return {info.dwMajorVersion, info.dwMinorVersion};
}

std::string TWin32TrayPlatform::SystemDirectory() {
  char path[MAX_PATH + 1] = {};
  const UINT length = GetSystemDirectoryA(path, sizeof path);
  return length < sizeof path ? std::string(path, length) : std::string();
}

std::uint32_t TWin32TrayPlatform::FileVersionInfoSize(const std::string& file) {
  DWORD ignored = 0;
  return GetFileVersionInfoSizeA(file.c_str(), &ignored);
}

bool TWin32TrayPlatform::FileVersionInfo(const std::string& file, std::vector<std::uint8_t>& block) {
  return GetFileVersionInfoA(file.c_str(), 0, static_cast<DWORD>(block.size()), block.data()) != FALSE;
}

std::optional<TFixedFileVersion> TWin32TrayPlatform::RootVersion(const std::vector<std::uint8_t>& block) {
  void* found = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block.data(), "\\", &found, &length) || found == nullptr || length < sizeof(VS_FIXEDFILEINFO)) {
    return std::nullopt;
  }
  const auto* info = static_cast<const VS_FIXEDFILEINFO*>(found);
  return TFixedFileVersion{info->dwFileVersionMS, info->dwFileVersionLS};
}

TPoint TWin32TrayPlatform::CursorPos() {
  POINT point{};
  GetCursorPos(&point);
  return {point.x, point.y};
}

std::uint32_t TWin32TrayPlatform::DoubleClickTime() { return GetDoubleClickTime(); }

bool TWin32TrayPlatform::ForegroundForm(TComponent* owner) {
  auto* form = dynamic_cast<TForm*>(owner);
  if (form == nullptr) return false;
  SetForegroundWindow(form->Handle());
  return true;
}

void TWin32TrayPlatform::ForegroundActiveForm() {
  // Not the thread's active window: while another program is in front, which
  // is when the tray icon is clicked, there is none.
  ForegroundForm(Screen().ActiveForm());
}

TIconHandle TWin32TrayPlatform::FormIcon(TComponent* owner) {
  auto* form = dynamic_cast<TForm*>(owner);
  if (form == nullptr || !form->HandleAllocated()) return 0;
  return static_cast<TIconHandle>(SendMessageW(form->Handle(), WM_GETICON, ICON_BIG, 0));
}

// The running application's, not one found through the icon's owners: the
// icon also asks while it is being destroyed, when it has no owner any more.
TIconHandle TWin32TrayPlatform::ApplicationIcon() {
  return Handle32(dynamic_cast<TWin32Application&>(Application()).Icon());
}

std::string TWin32TrayPlatform::ToSystemCodePage(std::string_view utf8) {
  const std::wstring wide = Widen(utf8);
  if (wide.empty()) return {};
  const int size =
      WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size, nullptr, nullptr);
  return text;
}

std::unique_ptr<TCallbackWindowHost> TWin32TrayPlatform::CreateCallbackWindow(TCallbackWindow& window,
                                                                              TComponent* parent) {
  return std::make_unique<TWin32CallbackHost>(window, parent);
}

}  // namespace snx
