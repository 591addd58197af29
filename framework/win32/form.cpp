#include "framework/win32/form.h"

#include <windowsx.h>

#include <vector>

#include "framework/core/screen.h"
#include "framework/win32/application.h"
#include "framework/win32/canvas.h"
#include "framework/win32/list_window.h"
#include "framework/win32/unicode.h"

namespace snx {

TForm::TForm(TComponent* owner) : TCustomForm(owner), application_(Win32ApplicationOf(owner)) {}

TForm::~TForm() {
  // Owned components may still talk to the window while they go, and child
  // windows must go before it.
  DestroyComponents();
  DetachControls();
  window_.reset();
}

std::string_view TForm::StoredDescription(const char* class_name) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  std::wstring name = Widen(class_name);
  HRSRC resource = FindResourceW(instance, name.c_str(), MAKEINTRESOURCEW(10));  // RT_RCDATA
  HGLOBAL loaded = resource != nullptr ? LoadResource(instance, resource) : nullptr;
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (data == nullptr) throw EReadError(std::string("no form description for ") + class_name);
  // The window class is named after the form's class, as the system's tools show it.
  class_name_ = name;
  return {static_cast<const char*>(data), SizeofResource(instance, resource)};
}

void TForm::SetStayOnTop(bool stay_on_top) {
  SetWindowPos(Handle(), stay_on_top ? HWND_TOPMOST : HWND_NOTOPMOST, Left(), Top(), Width(), Height(),
               SWP_NOMOVE | SWP_NOSIZE);
  if (!stay_on_top) EnsureNotTopmost(Handle());
}

void TForm::StartWindowDrag() {
  // The system's move loop hands other messages on, a press among them. A
  // press while a move goes on (one begun after its own release, which
  // then waits for the next) would start a second loop inside it, whose
  // release ended only that one: the window rode on with the pointer.
  if (dragging_) return;
  dragging_ = true;
  // SC_MOVE | HTCAPTION: the system's move loop drags the window until release.
  SendMessageW(Handle(), WM_SYSCOMMAND, 61458, 0);
  dragging_ = false;
}

DWORD TForm::Style() const {
  DWORD style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  switch (BorderStyle()) {
    case TFormBorderStyle::bsNone:
      style |= WS_POPUP;
      break;
    case TFormBorderStyle::bsDialog:
      return style | WS_POPUP | WS_CAPTION | DS_MODALFRAME | (HasSystemMenu() ? WS_SYSMENU : 0);
    case TFormBorderStyle::bsSingle:
    case TFormBorderStyle::bsToolWindow:
      style |= WS_CAPTION | WS_BORDER;
      break;
    case TFormBorderStyle::bsSizeable:
    case TFormBorderStyle::bsSizeToolWin:
      style |= WS_CAPTION | WS_THICKFRAME;
      break;
  }
  if (HasSystemMenu()) style |= WS_SYSMENU;
  if (HasMinimizeBox()) style |= WS_MINIMIZEBOX;
  if (HasMaximizeBox() && BorderStyle() != TFormBorderStyle::bsNone) style |= WS_MAXIMIZEBOX;
  return style;
}

DWORD TForm::ExStyle() const {
  switch (BorderStyle()) {
    case TFormBorderStyle::bsDialog:
      return WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
    case TFormBorderStyle::bsToolWindow:
    case TFormBorderStyle::bsSizeToolWin:
      return WS_EX_TOOLWINDOW;
    default:
      return 0;
  }
}

void TForm::CreateHandle() {
  RECT r{0, 0, ClientWidth(), ClientHeight()};
  AdjustWindowRectEx(&r, Style(), FALSE, ExStyle());
  WindowParams params{class_name_.c_str()};
  params.style = Style();
  params.ex_style = ExStyle();
  // Owned by the application's window, so the form has no taskbar button of its own.
  params.parent = application_.Handle();
  params.x = TCustomForm::Left();
  params.y = TCustomForm::Top();
  params.width = r.right - r.left;
  params.height = r.bottom - r.top;
  std::wstring title = Widen(Caption());
  params.title = title.c_str();
  params.icon = application_.Icon();
  window_ = CreateTargetWindow(params, this);
  if (!window_) throw EOutOfResources("window creation failed");
}

HWND TForm::Handle() {
  if (!window_) CreateHandle();
  return window_.get();
}

int TForm::Left() const {
  RECT r;
  return window_ && GetWindowRect(window_.get(), &r) ? r.left : TCustomForm::Left();
}

int TForm::Top() const {
  RECT r;
  return window_ && GetWindowRect(window_.get(), &r) ? r.top : TCustomForm::Top();
}

int TForm::Width() const {
  RECT r;
  return window_ && GetWindowRect(window_.get(), &r) ? r.right - r.left : ClientWidth();
}

int TForm::Height() const {
  RECT r;
  return window_ && GetWindowRect(window_.get(), &r) ? r.bottom - r.top : ClientHeight();
}

void TForm::SetLeft(int left) {
  TCustomForm::SetLeft(left);
  if (window_) {
    SetWindowPos(window_.get(), nullptr, left, Top(), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void TForm::SetTop(int top) {
  TCustomForm::SetTop(top);
  if (window_) {
    SetWindowPos(window_.get(), nullptr, Left(), top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void TForm::SetClientSize(int width, int height) {
  TCustomForm::SetClientSize(width, height);
  if (window_) {
    RECT r{0, 0, width, height};
    AdjustWindowRectEx(&r, Style(), FALSE, ExStyle());
    SetWindowPos(window_.get(), nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void TForm::SetCaption(std::string caption) {
  TCustomForm::SetCaption(std::move(caption));
  if (window_) SetWindowTextW(window_.get(), Widen(Caption()).c_str());
}

void TForm::SetColor(TColor color) {
  TCustomForm::SetColor(color);
  if (window_) InvalidateRect(window_.get(), nullptr, TRUE);
}

bool TForm::Visible() const { return window_ && IsWindowVisible(window_.get()); }

void TForm::Show() {
  if (Visible()) return;
  HWND window = Handle();
  application_.FormShowing();
  if (OnShow) OnShow(this);
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
}

void TForm::Hide() {
  if (window_) ShowWindow(window_.get(), SW_HIDE);
  MouseLeft();
}

void TForm::InvalidateClientRect(const TRect& rect) {
  const RECT r{rect.left, rect.top, rect.right, rect.bottom};
  if (window_) InvalidateRect(window_.get(), &r, TRUE);
}

TSize TForm::TextExtent(const TFont& font, std::string_view text) { return MeasureText(font, Widen(text)); }

std::unique_ptr<TListWindow> TForm::CreateListWindow(TCustomListBox& list) {
  return CreateNativeListWindow(Handle(), list);
}

namespace {

BOOL CALLBACK CollectEnabledWindows(HWND window, LPARAM param) {
  auto* list = reinterpret_cast<std::vector<HWND>*>(param);
  if (IsWindowVisible(window) && IsWindowEnabled(window)) list->push_back(window);
  return TRUE;
}

}  // namespace

int TForm::ShowModal() {
  if (Visible()) throw EInvalidOperation("表示されているウィンドウをモーダルにすることはできません");
  HWND self = Handle();
  // Only visible windows are disabled: hidden ones (the tray's callback
  // window) keep working while the dialog is up.
  std::vector<HWND> disabled;
  EnumThreadWindows(GetCurrentThreadId(), CollectEnabledWindows, reinterpret_cast<LPARAM>(&disabled));
  for (HWND w : disabled) EnableWindow(w, FALSE);
  BeginModal();
  Guarded([&] { Show(); });
  SetForegroundWindow(self);
  MSG msg;
  while (ModalResult() == 0 && IsWindowVisible(self)) {
    if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  for (HWND w : disabled) {
    if (IsWindow(w)) EnableWindow(w, TRUE);
  }
  Hide();
  EndModal();
  return ModalResult();
}

namespace {

TShiftState ShiftFromKeys(WPARAM keys) {
  TShiftState shift;
  if ((keys & MK_SHIFT) != 0) shift += TShiftMember::ssShift;
  if ((keys & MK_CONTROL) != 0) shift += TShiftMember::ssCtrl;
  if ((keys & MK_LBUTTON) != 0) shift += TShiftMember::ssLeft;
  if ((keys & MK_RBUTTON) != 0) shift += TShiftMember::ssRight;
  if ((keys & MK_MBUTTON) != 0) shift += TShiftMember::ssMiddle;
  return shift;
}

}  // namespace

void TForm::MouseButton(TMouseEvent& event, TMouseButton button, TShiftMember member, LPARAM lparam) {
  if (event) event(this, button, TShiftState(member), GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam));
}

void TForm::MouseDownMessage(TMouseButton button, TShiftMember member, LPARAM lparam) {
  // A press on a control is the control's.
  if (MousePressed(button, TShiftState(member), GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam))) return;
  MouseButton(OnMouseDown, button, member, lparam);
}

bool TForm::SetControlCursor(LPARAM lparam) {
  if (LOWORD(lparam) != HTCLIENT) return false;
  POINT p;
  GetCursorPos(&p);
  ScreenToClient(hwnd_, &p);
  const TControl* control = ControlAt(p.x, p.y);
  if (control == nullptr || control->Cursor() != TCursor::crHandPoint) return false;
  SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
  return true;
}

LRESULT TForm::HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  hwnd_ = window;  // messages arrive before CreateWindowEx has returned the handle
  // Ahead of the per-class dispatch, so that no form can keep it from the
  // screen object. Losing the activation to another program is not reported:
  // the form stays the program's active one.
  if (message == WM_ACTIVATE && LOWORD(wparam) != WA_INACTIVE) Screen().FormActivated(this);
  if (message == WM_SHOWWINDOW && wparam == FALSE) Screen().FormHidden(this);
  return DefaultHandler(message, wparam, lparam);
}

LRESULT TForm::DefaultHandler(UINT message, WPARAM wparam, LPARAM lparam) {
  HWND window = hwnd_;
  switch (message) {
    case WM_ERASEBKGND: {
      RECT r;
      GetClientRect(window, &r);
      // A system colour's brush belongs to the system; a plain colour's is made for this fill.
      const UniqueBrush made(IsSystemColor(Color()) ? nullptr : CreateSolidBrush(Color()));
      HBRUSH brush = made ? made.get() : GetSysColorBrush(static_cast<int>(Color() & 0xFF));
      FillRect(reinterpret_cast<HDC>(wparam), &r, brush);
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      {
        TDCCanvas canvas(dc);
        PaintControls(canvas);
      }
      if (OnPaint) OnPaint(this);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_MOUSEMOVE: {
      // Asks for WM_MOUSELEAVE; asking again while tracking changes nothing.
      TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window, 0};
      TrackMouseEvent(&track);
      MouseMoved(ShiftFromKeys(wparam), GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam));
      return 0;
    }
    case WM_MOUSELEAVE:
      MouseLeft();
      return 0;
    case WM_SETCURSOR:
      return SetControlCursor(lparam) ? TRUE : DefWindowProcW(window, message, wparam, lparam);
    case WM_LBUTTONDOWN:
      MouseDownMessage(TMouseButton::mbLeft, TShiftMember::ssLeft, lparam);
      return 0;
    case WM_RBUTTONDOWN:
      MouseDownMessage(TMouseButton::mbRight, TShiftMember::ssRight, lparam);
      return 0;
    case WM_MBUTTONDOWN:
      MouseDownMessage(TMouseButton::mbMiddle, TShiftMember::ssMiddle, lparam);
      return 0;
    case WM_LBUTTONUP:
      MouseButton(OnMouseUp, TMouseButton::mbLeft, TShiftMember::ssLeft, lparam);
      return 0;
    case WM_RBUTTONUP:
      MouseButton(OnMouseUp, TMouseButton::mbRight, TShiftMember::ssRight, lparam);
      return 0;
    case WM_MBUTTONUP:
      MouseButton(OnMouseUp, TMouseButton::mbMiddle, TShiftMember::ssMiddle, lparam);
      return 0;
    case WM_CLOSE:
      Close();
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

}  // namespace snx
