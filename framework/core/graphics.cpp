#include "framework/core/graphics.h"

#include <array>
#include <utility>

#include "framework/core/form_description.h"
#include "framework/core/object.h"

namespace snx {

std::optional<TColor> ColorFromName(std::string_view name) {
  static constexpr std::array<std::pair<std::string_view, TColor>, 8> kNames{{{"clBlack", clBlack},
                                                                              {"clWhite", clWhite},
                                                                              {"clRed", clRed},
                                                                              {"clBlue", clBlue},
                                                                              {"clBtnFace", clBtnFace},
                                                                              {"clWindowText", clWindowText},
                                                                              {"clWindow", clWindow},
                                                                              {"clInfoBk", clInfoBk}}};
  for (const auto& [n, c] : kNames) {
    if (n == name) return c;
  }
  return std::nullopt;
}

TColor ReadColor(const PropertyValue& value) {
  if (value.kind == PropertyValue::Kind::vkInteger) return static_cast<TColor>(value.integer);
  if (auto c = ColorFromName(value.AsIdentifier())) return *c;
  throw EReadError("unknown colour " + value.text);
}

void TFont::Changed() {
  if (OnChange) OnChange(nullptr);
}

void TFont::SetName(std::string name) {
  if (name == name_) return;
  name_ = std::move(name);
  Changed();
}

void TFont::SetHeight(std::int32_t height) {
  if (height == height_) return;
  height_ = height;
  Changed();
}

void TFont::SetCharset(std::uint8_t charset) {
  if (charset == charset_) return;
  charset_ = charset;
  Changed();
}

void TFont::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Changed();
}

void TFont::SetStyle(std::uint8_t style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

void TFont::Assign(const TFont& other) {
  if (&other == this) return;
  name_ = other.name_;
  height_ = other.height_;
  charset_ = other.charset_;
  color_ = other.color_;
  style_ = other.style_;
  Changed();
}

bool TFont::ReadProperty(std::string_view name, const PropertyValue& value) {
  if (name == "Name") {
    SetName(value.AsString());
  } else if (name == "Height") {
    SetHeight(value.AsInteger());
  } else if (name == "Color") {
    SetColor(ReadColor(value));
  } else if (name == "Charset") {
    if (value.kind == PropertyValue::Kind::vkInteger) {
      SetCharset(static_cast<std::uint8_t>(value.AsInteger(0, 255)));
    } else if (value.AsIdentifier() == "SHIFTJIS_CHARSET") {
      SetCharset(kShiftJisCharset);
    } else if (value.AsIdentifier() == "DEFAULT_CHARSET") {
      SetCharset(kDefaultCharset);
    } else {
      throw EReadError("unknown charset " + value.text);
    }
  } else if (name == "Style") {
    std::uint8_t style = 0;
    if (value.HasMember("fsBold")) style |= static_cast<std::uint8_t>(TFontStyle::fsBold);
    if (value.HasMember("fsItalic")) style |= static_cast<std::uint8_t>(TFontStyle::fsItalic);
    if (value.HasMember("fsUnderline")) style |= static_cast<std::uint8_t>(TFontStyle::fsUnderline);
    if (value.HasMember("fsStrikeOut")) style |= static_cast<std::uint8_t>(TFontStyle::fsStrikeOut);
    SetStyle(style);
  } else {
    return false;
  }
  return true;
}

}  // namespace snx
