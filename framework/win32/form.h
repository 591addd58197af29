#pragma once
// Top-level windows built from a form description stored as a resource under
// the form's class name.
#include <windows.h>

#include <string>
#include <string_view>

#include "framework/core/controls.h"
#include "framework/core/events.h"
#include "framework/core/graphics.h"
#include "framework/core/reader.h"
#include "framework/win32/window.h"

namespace snx {

class TWin32Application;

enum class TFormBorderStyle : std::uint8_t { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };

// The form carries controls: it paints them, tracks the pointer over them
// and makes the native windows of windowed ones. An application owns every
// form, directly or through other owners.
class TForm : public TComponent, public TControlParent, protected MessageTarget {
 public:
  explicit TForm(TComponent* owner);
  ~TForm() override;

  TWin32Application& OwnerApplication() const { return application_; }

  // The window, created from the current properties on first use.
  HWND Handle();
  bool HandleAllocated() const { return window_ != nullptr; }

  int Left() const;
  int Top() const;
  int Width() const;
  int Height() const;
  void SetLeft(int left);
  void SetTop(int top);
  void SetClientSize(int width, int height);

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  TColor Color() const override { return color_; }
  void SetColor(TColor color);
  TFont& Font() override { return font_; }

  bool Visible() const;
  void Show();
  // Hiding also ends any pointer hover over the controls.
  void Hide();
  // Shows the form with the program's other visible windows disabled and
  // returns when it closes. A form already on screen cannot become modal.
  int ShowModal();
  // As the close box: OnClose decides; the main form's close ends the program.
  void Close();

  TNotifyEvent OnCreate;
  TNotifyEvent OnShow;
  TCloseEvent OnClose;
  TNotifyEvent OnPaint;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;

  // Runs OnCreate after construction unless OldCreateOrder ran it during.
  void AfterConstruction();

  bool ReadProperty(std::string_view name, const PropertyValue& value, TReader& reader) override;
  // Controls described inside the form are placed on it.
  void AddChildComponent(TComponent* child) override;

  void InvalidateClientRect(const TRect& rect) override;
  TSize TextExtent(const TFont& font, std::string_view text) override;
  std::unique_ptr<TListWindow> CreateListWindow(TCustomListBox& list) override;

 protected:
  // Reads this form's description from the RCDATA resource `class_name`,
  // binding the form's published members.
  void ReadDescription(const char* class_name, const ComponentClassTable& classes, TPublishedBindings published);
  void ReadDescriptionText(std::string_view text, const ComponentClassTable& classes, TPublishedBindings published);

  // Per-class message dispatch; the default handles paint, mouse, close and
  // erasing, then the system's default.
  virtual LRESULT Dispatch(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT DefaultHandler(UINT message, WPARAM wparam, LPARAM lparam);
  void DoCreate();

 private:
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) final;
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
  std::string caption_;
  int left_ = 0, top_ = 0, client_width_ = 0, client_height_ = 0;
  TColor color_ = clBtnFace;
  TFont font_;
  TFormBorderStyle border_style_ = TFormBorderStyle::bsSizeable;
  bool system_menu_ = true, minimize_box_ = true, maximize_box_ = true;
  bool old_create_order_ = false;
  bool modal_ = false;
  int modal_result_ = 0;
};

}  // namespace snx
