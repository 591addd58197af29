#include "framework/core/listbox.h"

#include <algorithm>

#include "framework/core/form_description.h"
#include "framework/core/object.h"
#include "framework/core/utf.h"

namespace snx {

namespace {
std::intptr_t TextParam(const std::u16string& text) { return reinterpret_cast<std::intptr_t>(text.c_str()); }
}  // namespace

// --- TListBoxStrings ---

int TListBoxStrings::Add(std::string_view text) {
  return static_cast<int>(list_.Perform(lbAddString, 0, TextParam(Utf8ToUtf16(text))));
}

void TListBoxStrings::Insert(int index, std::string_view text) {
  list_.Perform(lbInsertString, static_cast<std::uintptr_t>(index), TextParam(Utf8ToUtf16(text)));
}

void TListBoxStrings::Delete(int index) { list_.Perform(lbDeleteString, static_cast<std::uintptr_t>(index), 0); }

void TListBoxStrings::Clear() { list_.Perform(lbResetContent, 0, 0); }

void TListBoxStrings::Put(int index, std::string_view text) {
  Delete(index);
  Insert(index, text);
}

// --- TCustomListBox ---

TCustomListBox::TCustomListBox(TComponent* owner) : TControl(owner) {}

TCustomListBox::~TCustomListBox() = default;

void TCustomListBox::Dispatch(TMessage& message) { DefaultHandler(message); }

void TCustomListBox::DefaultHandler(TMessage& message) { message.result = window_ ? window_->Default(message) : 0; }

std::intptr_t TCustomListBox::Perform(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
  if (!WindowAvailable()) throw EInvalidOperation("list box " + Name() + " has no parent window");
  return window_->Send(message, wparam, lparam);
}

bool TCustomListBox::WindowAvailable() {
  if (!window_ && Parent() != nullptr) CreateWnd();
  return window_ != nullptr;
}

std::optional<std::u16string> TCustomListBox::ItemText(int index) {
  const auto item = static_cast<std::uintptr_t>(index);
  const std::intptr_t length = Perform(lbGetTextLen, item, 0);
  if (length < 0) return std::nullopt;
  std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
  const std::intptr_t copied = Perform(lbGetText, item, reinterpret_cast<std::intptr_t>(text.data()));
  if (copied < 0) return std::nullopt;
  text.resize(std::min(static_cast<std::size_t>(copied), static_cast<std::size_t>(length)));
  return text;
}

int TCustomListBox::TextWidth(std::u16string_view text) { return WindowAvailable() ? window_->TextWidth(text) : 0; }

void TCustomListBox::CreateWnd() {
  window_ = Parent()->CreateListWindow(*this);
  window_->SetFont(Font());
  if (saved_items_) {
    const std::vector<std::u16string> items = std::move(*saved_items_);
    saved_items_.reset();
    Perform(lbResetContent, 0, 0);
    for (const std::u16string& item : items) Perform(lbAddString, 0, TextParam(item));
  }
}

void TCustomListBox::DestroyWnd() {
  if (!window_) return;
  std::vector<std::u16string> items;
  const auto count = static_cast<int>(Perform(lbGetCount, 0, 0));
  for (int i = 0; i < count; ++i) {
    if (auto text = ItemText(i)) items.push_back(std::move(*text));
  }
  if (!items.empty()) saved_items_ = std::move(items);
  window_.reset();
}

void TCustomListBox::SetSorted(bool sorted) {
  if (sorted == sorted_) return;
  sorted_ = sorted;
  if (window_) {
    DestroyWnd();
    CreateWnd();
  }
}

void TCustomListBox::FontChanged() {
  if (window_) window_->SetFont(Font());
  TControl::FontChanged();
}

void TCustomListBox::BoundsChanged() {
  if (window_) window_->SetBounds(BoundsRect());
}

void TCustomListBox::ParentChanged() {
  DestroyWnd();
  // While loading, the window waits for Loaded, so that it is made once
  // with every stored property in place.
  if (Parent() != nullptr && !IsLoading()) CreateWnd();
}

void TCustomListBox::Loaded() {
  TControl::Loaded();
  if (Parent() != nullptr && !window_) CreateWnd();
}

bool TCustomListBox::ReadProperty(std::string_view name, const PropertyValue& value, TReader& reader) {
  if (name == "Sorted") {
    SetSorted(value.AsBoolean());
    return true;
  }
  return TControl::ReadProperty(name, value, reader);
}

}  // namespace snx
