#include "framework/core/custom_form.h"

#include <optional>

#include "framework/core/application.h"
#include "framework/core/erase_last.h"
#include "framework/core/form_description.h"

namespace snx {

namespace {

constexpr int kModalResultCancel = 2;

std::optional<TFormBorderStyle> BorderStyleFromName(std::string_view name) {
  if (name == "bsNone") return TFormBorderStyle::bsNone;
  if (name == "bsSingle") return TFormBorderStyle::bsSingle;
  if (name == "bsSizeable") return TFormBorderStyle::bsSizeable;
  if (name == "bsDialog") return TFormBorderStyle::bsDialog;
  if (name == "bsToolWindow") return TFormBorderStyle::bsToolWindow;
  if (name == "bsSizeToolWin") return TFormBorderStyle::bsSizeToolWin;
  return std::nullopt;
}

}  // namespace

TCustomForm::TCustomForm(TComponent* owner) : TComponent(owner) { font_.SetName("MS Sans Serif"); }

void TCustomForm::SetClientSize(int width, int height) {
  client_width_ = width;
  client_height_ = height;
}

void TCustomForm::ReadDescription(const char* class_name, const ComponentClassTable& classes,
                                  TPublishedBindings published) {
  ReadDescriptionText(StoredDescription(class_name), classes, std::move(published));
}

void TCustomForm::ReadDescriptionText(std::string_view text, const ComponentClassTable& classes,
                                      TPublishedBindings published) {
  ObjectDescription description = ParseFormDescription(text);
  TReader reader(description, classes, std::move(published));
  reader.ReadRootComponent(this);
  if (old_create_order_) DoCreate();
}

void TCustomForm::AfterConstruction() {
  if (!old_create_order_) DoCreate();
}

void TCustomForm::DoCreate() {
  if (OnCreate) OnCreate(this);
}

bool TCustomForm::ReadProperty(std::string_view name, const PropertyValue& value, TReader& reader) {
  if (name == "Left") {
    SetLeft(value.AsInteger());
  } else if (name == "Top") {
    SetTop(value.AsInteger());
  } else if (name == "ClientWidth") {
    SetClientSize(value.AsInteger(), client_height_);
  } else if (name == "ClientHeight") {
    SetClientSize(client_width_, value.AsInteger());
  } else if (name == "Caption") {
    SetCaption(value.AsString());
  } else if (name == "Color") {
    SetColor(ReadColor(value));
  } else if (name.starts_with("Font.")) {
    if (!font_.ReadProperty(name.substr(5), value)) return false;
  } else if (name == "BorderStyle") {
    auto style = BorderStyleFromName(value.AsIdentifier());
    if (!style) throw EReadError("unknown border style " + value.text);
    border_style_ = *style;
  } else if (name == "BorderIcons") {
    system_menu_ = value.HasMember("biSystemMenu");
    minimize_box_ = value.HasMember("biMinimize");
    maximize_box_ = value.HasMember("biMaximize");
  } else if (name == "OldCreateOrder") {
    old_create_order_ = value.AsBoolean();
  } else if (name == "PixelsPerInch" || name == "TextHeight") {
    value.AsInteger();  // recorded at design time; the layout is in pixels
  } else if (name == "OnCreate") {
    OnCreate = reader.Method<TNotifyEvent>(value);
  } else if (name == "OnShow") {
    OnShow = reader.Method<TNotifyEvent>(value);
  } else if (name == "OnClose") {
    OnClose = reader.Method<TCloseEvent>(value);
  } else if (name == "OnPaint") {
    OnPaint = reader.Method<TNotifyEvent>(value);
  } else if (name == "OnMouseDown") {
    OnMouseDown = reader.Method<TMouseEvent>(value);
  } else if (name == "OnMouseUp") {
    OnMouseUp = reader.Method<TMouseEvent>(value);
  } else {
    return TComponent::ReadProperty(name, value, reader);
  }
  return true;
}

void TCustomForm::AddChildComponent(TComponent* child) {
  if (auto* control = dynamic_cast<TControl*>(child)) control->SetParent(this);
}

void TCustomForm::BeginModal() {
  modal_ = true;
  modal_result_ = 0;
  ApplicationOf(this).modal_forms_.push_back(this);
}

void TCustomForm::EndModal() {
  modal_ = false;
  EraseLast(ApplicationOf(this).modal_forms_, static_cast<const TCustomForm*>(this));
}

void TCustomForm::Close() {
  if (modal_) {
    modal_result_ = kModalResultCancel;
    return;
  }
  TCloseAction action = TCloseAction::caHide;
  if (OnClose) OnClose(this, action);
  if (action == TCloseAction::caNone) return;
  TApplication& application = ApplicationOf(this);
  if (application.MainForm() == this) {
    application.Terminate();
  } else if (action == TCloseAction::caHide) {
    Hide();
  }
}

}  // namespace snx
