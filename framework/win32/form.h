#pragma once
// Top-level windows on Win32, built from a form description stored as an
// RCDATA resource under the form's class name.
#include <windows.h>

#include <string>
#include <string_view>

#include "framework/core/custom_form.h"
#include "framework/win32/window.h"

namespace snx {

class TWin32Application;

// The form carries controls: it paints them, tracks the pointer over them
// and makes the native windows of windowed ones. An application owns every
// form, directly or through other owners.
class TForm : public TCustomForm, protected MessageTarget {
 public:
  explicit TForm(TComponent* owner);
  ~TForm() override;

  TWin32Application& OwnerApplication() const { return application_; }

  // The window, created from the current properties on first use.
  HWND Handle();
  bool HandleAllocated() const { return window_ != nullptr; }

  int Left() const override;
  int Top() const override;
  int Width() const;
  int Height() const;
  void SetLeft(int left) override;
  void SetTop(int top) override;
  void SetClientSize(int width, int height) override;
  void SetCaption(std::string caption) override;
  void SetColor(TColor color) override;

  bool Visible() const override;
  void Show() override;
  void Hide() override;
  int ShowModal() override;
  void SetStayOnTop(bool stay_on_top) override;
  // Once at a time: see form.cpp.
  void StartWindowDrag() override;

  void InvalidateClientRect(const TRect& rect) override;
  TSize TextExtent(const TFont& font, std::string_view text) override;
  std::unique_ptr<TListWindow> CreateListWindow(TCustomListBox& list) override;

 protected:
  // The RCDATA resource `class_name`, which also names the window's class.
  std::string_view StoredDescription(const char* class_name) override;

 private:
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) final;
  // Paint, mouse, close and erasing, then the system's default.
  LRESULT DefaultHandler(UINT message, WPARAM wparam, LPARAM lparam);
  void CreateHandle();
  DWORD Style() const;
  DWORD ExStyle() const;
  void MouseButton(TMouseEvent& event, TMouseButton button, TShiftMember member, LPARAM lparam);
  void MouseDownMessage(TMouseButton button, TShiftMember member, LPARAM lparam);
  // The hand over a control that asks for it; false leaves the cursor to the system.
  bool SetControlCursor(LPARAM lparam);

  TWin32Application& application_;
  UniqueWindow window_;
  HWND hwnd_ = nullptr;
  std::wstring class_name_ = L"TForm";
  // The system's move loop is running.
  bool dragging_ = false;
};

}  // namespace snx
