#pragma once
// Colours and fonts as the form descriptions and controls describe them.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "framework/core/events.h"

namespace snx {

// A plain colour holds red in the lowest byte, then green, then blue; a system
// colour holds the system colour index with the top bit set.
using TColor = std::uint32_t;
inline constexpr TColor kSystemColorFlag = 0x80000000u;
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clBtnFace = kSystemColorFlag | 15;
inline constexpr TColor clWindowText = kSystemColorFlag | 8;
inline constexpr TColor clWindow = kSystemColorFlag | 5;
inline constexpr TColor clInfoBk = kSystemColorFlag | 24;

constexpr bool IsSystemColor(TColor c) { return (c & kSystemColorFlag) != 0; }

// "clRed" and friends; nullopt for a name that is no colour.
std::optional<TColor> ColorFromName(std::string_view name);

enum class TFontStyle : std::uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

inline constexpr std::uint8_t kDefaultCharset = 1;
inline constexpr std::uint8_t kShiftJisCharset = 128;

// Font settings; OnChange fires after any change.
class TFont {
 public:
  const std::string& Name() const { return name_; }
  std::int32_t Height() const { return height_; }
  std::uint8_t Charset() const { return charset_; }
  TColor Color() const { return color_; }
  std::uint8_t Style() const { return style_; }
  bool HasStyle(TFontStyle s) const { return (style_ & static_cast<std::uint8_t>(s)) != 0; }

  void SetName(std::string name);
  void SetHeight(std::int32_t height);
  void SetCharset(std::uint8_t charset);
  void SetColor(TColor color);
  void SetStyle(std::uint8_t style);
  void Assign(const TFont& other);

  // Applies "Name", "Height", "Charset", "Color" or "Style" from a form
  // description (the part after "Font."); false for any other name.
  bool ReadProperty(std::string_view name, const struct PropertyValue& value);

  TNotifyEvent OnChange;

 private:
  void Changed();
  std::string name_ = "MS Sans Serif";
  std::int32_t height_ = -11;
  std::uint8_t charset_ = kDefaultCharset;
  TColor color_ = clWindowText;
  std::uint8_t style_ = 0;
};

// A colour property value: a colour name or a number.
TColor ReadColor(const struct PropertyValue& value);

}  // namespace snx
