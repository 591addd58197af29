#pragma once
// What every platform's top-level form shares: the properties, events and
// children its description gives, the create order and the close decision.
// The platform's TForm derives from it and owns the native window.
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/core/component.h"
#include "framework/core/controls.h"
#include "framework/core/events.h"
#include "framework/core/graphics.h"
#include "framework/core/reader.h"

namespace snx {

enum class TFormBorderStyle : std::uint8_t { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };

class TCustomForm : public TComponent, public TControlParent {
 public:
  explicit TCustomForm(TComponent* owner);

  // The stored position and client size; the platform keeps them current
  // while the window is on screen.
  virtual int Left() const { return left_; }
  virtual int Top() const { return top_; }
  virtual void SetLeft(int left) { left_ = left; }
  virtual void SetTop(int top) { top_ = top; }
  int ClientWidth() const { return client_width_; }
  int ClientHeight() const { return client_height_; }
  virtual void SetClientSize(int width, int height);

  const std::string& Caption() const { return caption_; }
  virtual void SetCaption(std::string caption) { caption_ = std::move(caption); }
  TColor Color() const override { return color_; }
  virtual void SetColor(TColor color) { color_ = color; }
  TFont& Font() override { return font_; }

  virtual bool Visible() const = 0;
  virtual void Show() = 0;
  // Hiding also ends any pointer hover over the controls.
  virtual void Hide() = 0;
  // Shows the form with the program's other visible windows disabled and
  // returns when it closes. A form already on screen cannot become modal.
  virtual int ShowModal() = 0;
  // Keeps the window above the others, or lets it go back among them.
  virtual void SetStayOnTop(bool stay_on_top) = 0;
  // Moves the window with the pointer while the button just pressed stays
  // down; the system's own move, which ends with the button's release.
  virtual void StartWindowDrag() = 0;
  // As the close box: a modal form ends its modal loop; otherwise OnClose
  // decides, and the main form's close ends the program.
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

 protected:
  // Reads the description the program stores under the form's class name.
  void ReadDescription(const char* class_name, const ComponentClassTable& classes, TPublishedBindings published);
  // The text stored under `class_name`; raises EReadError when there is none.
  virtual std::string_view StoredDescription(const char* class_name) = 0;
  // Reads a description text into the form, binding its published members.
  void ReadDescriptionText(std::string_view text, const ComponentClassTable& classes, TPublishedBindings published);
  void DoCreate();

  TFormBorderStyle BorderStyle() const { return border_style_; }
  bool HasSystemMenu() const { return system_menu_; }
  bool HasMinimizeBox() const { return minimize_box_; }
  bool HasMaximizeBox() const { return maximize_box_; }

  // The platform's modal loop runs from BeginModal until ModalResult is set;
  // the application knows the form as modal until EndModal.
  void BeginModal();
  void EndModal();
  int ModalResult() const { return modal_result_; }

 private:
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
