#include "framework/win32/list_window.h"

#include "framework/core/object.h"
#include "framework/win32/canvas.h"
#include "framework/win32/window.h"

namespace snx {

namespace {

class TNativeListWindow final : public TListWindow {
 public:
  TNativeListWindow(HWND parent, TCustomListBox& list) : list_(list) {
    const TRect& b = list.BoundsRect();
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY |
                        LBS_NOINTEGRALHEIGHT | (list.Sorted() ? LBS_SORT : 0);
    window_.reset(CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"", style, b.left, b.top, b.right - b.left,
                                  b.bottom - b.top, parent, nullptr, GetModuleHandleW(nullptr), nullptr));
    if (!window_) throw EOutOfResources("list window creation failed");
    SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    original_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window_.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TNativeListWindow::Proc)));
  }

  ~TNativeListWindow() override {
    // The list box hears nothing of the window's own end.
    SetWindowLongPtrW(window_.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
  }

  std::intptr_t Send(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) override {
    return SendMessageW(window_.get(), message, wparam, lparam);
  }

  std::intptr_t Default(const TMessage& m) override {
    return CallWindowProcW(original_, window_.get(), m.msg, m.w_param, m.l_param);
  }

  int TextWidth(std::u16string_view text) override {
    const TWindowDC dc(window_.get());
    const HGDIOBJ original = SelectObject(dc.Get(), font_.get());
    SIZE size{};
    GetTextExtentPoint32W(dc.Get(), reinterpret_cast<const wchar_t*>(text.data()), static_cast<int>(text.size()),
                          &size);
    SelectObject(dc.Get(), original);
    return size.cx;
  }

  void SetFont(const TFont& font) override {
    UniqueFont handle = CreateFontHandle(font);
    SendMessageW(window_.get(), WM_SETFONT, reinterpret_cast<WPARAM>(handle.get()), TRUE);
    font_ = std::move(handle);  // the window no longer uses the one it replaces
  }

  void SetBounds(const TRect& b) override {
    MoveWindow(window_.get(), b.left, b.top, b.right - b.left, b.bottom - b.top, TRUE);
  }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<TNativeListWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    TMessage m{message, wparam, lparam, 0};
    Guarded([&] { self->list_.Dispatch(m); });
    return m.result;
  }

  TCustomListBox& list_;
  WNDPROC original_ = nullptr;
  UniqueFont font_;
  UniqueWindow window_;  // last, so it goes before the font it uses
};

}  // namespace

std::unique_ptr<TListWindow> CreateNativeListWindow(HWND parent, TCustomListBox& list) {
  return std::make_unique<TNativeListWindow>(parent, list);
}

}  // namespace snx
