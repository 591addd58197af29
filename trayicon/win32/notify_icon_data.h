#pragma once
// The record handed to the shell's notification-area call, in its 488-byte
// layout for 32-bit Windows: handles are 32-bit fields, texts are single-byte
// strings in the system code page.
#include <cstddef>
#include <cstdint>

namespace snx {

struct TNotifyIconDataV5A {
  std::uint32_t cbSize;
  std::uint32_t hWnd;
  std::uint32_t uID;
  std::uint32_t uFlags;
  std::uint32_t uCallbackMessage;
  std::uint32_t hIcon;
  char szTip[128];
  std::uint32_t dwState;
  std::uint32_t dwStateMask;
  char szInfo[256];
  std::uint32_t uTimeout;
  char szInfoTitle[64];
  std::uint32_t dwInfoFlags;
};

static_assert(sizeof(TNotifyIconDataV5A) == 488);
static_assert(offsetof(TNotifyIconDataV5A, hWnd) == 4);
static_assert(offsetof(TNotifyIconDataV5A, uID) == 8);
static_assert(offsetof(TNotifyIconDataV5A, uFlags) == 12);
static_assert(offsetof(TNotifyIconDataV5A, uCallbackMessage) == 16);
static_assert(offsetof(TNotifyIconDataV5A, hIcon) == 20);
static_assert(offsetof(TNotifyIconDataV5A, szTip) == 24);
static_assert(offsetof(TNotifyIconDataV5A, dwState) == 152);
static_assert(offsetof(TNotifyIconDataV5A, dwStateMask) == 156);
static_assert(offsetof(TNotifyIconDataV5A, szInfo) == 160);
static_assert(offsetof(TNotifyIconDataV5A, uTimeout) == 416);
static_assert(offsetof(TNotifyIconDataV5A, szInfoTitle) == 420);
static_assert(offsetof(TNotifyIconDataV5A, dwInfoFlags) == 484);

// Shells older than version 5 read only the first 88 bytes (the tip then has 64).
inline constexpr std::uint32_t kNotifyIconDataV5Size = 488;
inline constexpr std::uint32_t kNotifyIconDataV1Size = 88;

// Named as the shell names them, with a prefix so that they never meet the
// platform headers' macros of the same names.
inline constexpr std::uint32_t kNimAdd = 0;
inline constexpr std::uint32_t kNimModify = 1;
inline constexpr std::uint32_t kNimDelete = 2;

inline constexpr std::uint32_t kNifMessage = 0x01;
inline constexpr std::uint32_t kNifIcon = 0x02;
inline constexpr std::uint32_t kNifTip = 0x04;
inline constexpr std::uint32_t kNifState = 0x08;
inline constexpr std::uint32_t kNifInfo = 0x10;

inline constexpr std::uint32_t kNisHidden = 0x01;
inline constexpr std::uint32_t kNisSharedIcon = 0x02;

// The message the shell sends for this component's icons: wParam is the
// icon's identifier, lParam the mouse message or balloon notification.
inline constexpr std::uint32_t kTrayCallbackMessage = 0x0400 + 200;

// The notifications in the callback message's lParam.
inline constexpr std::intptr_t kMouseMove = 0x200;
inline constexpr std::intptr_t kLButtonDown = 0x201;
inline constexpr std::intptr_t kLButtonUp = 0x202;
inline constexpr std::intptr_t kLButtonDblClk = 0x203;
inline constexpr std::intptr_t kRButtonDown = 0x204;
inline constexpr std::intptr_t kRButtonUp = 0x205;
inline constexpr std::intptr_t kRButtonDblClk = 0x206;
inline constexpr std::intptr_t kMButtonDown = 0x207;
inline constexpr std::intptr_t kMButtonUp = 0x208;
inline constexpr std::intptr_t kMButtonDblClk = 0x209;
inline constexpr std::intptr_t kBalloonShow = 0x402;
inline constexpr std::intptr_t kBalloonHide = 0x403;
inline constexpr std::intptr_t kBalloonTimeout = 0x404;
inline constexpr std::intptr_t kBalloonUserClick = 0x405;

inline constexpr std::uint32_t kErrorTimeout = 0x5B4;

}  // namespace snx
