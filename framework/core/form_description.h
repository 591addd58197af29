#pragma once
// Form descriptions: the layout, properties and event bindings of a window as
// data. The text form reads like this:
//
//   object SNX_MAIN: TSNX_MAIN
//     Caption = 'Sonalix'
//     Font.Height = -12
//     BorderIcons = [biSystemMenu, biMinimize]
//     OnShow = FormShow
//     Picture.Data = {424D...}
//     object Timer: TTimer
//       Interval = 10
//     end
//   end
//
// Strings are UTF-8 between single quotes ('' stands for one quote).
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace snx {

struct PropertyValue {
  enum class Kind : std::uint8_t { vkInteger, vkString, vkIdentifier, vkSet, vkBinary };

  Kind kind = Kind::vkInteger;
  std::int64_t integer = 0;
  std::string text;                  // String and Identifier
  std::vector<std::string> members;  // Set
  std::vector<std::uint8_t> bytes;   // Binary

  // Typed access; a value of the wrong kind raises EReadError, and so does
  // an integer outside the 32-bit signed range or the range given.
  std::int32_t AsInteger() const;
  std::int32_t AsInteger(std::int32_t low, std::int32_t high) const;
  const std::string& AsString() const;
  const std::string& AsIdentifier() const;
  bool AsBoolean() const;
  bool HasMember(std::string_view member) const;
};

struct ObjectDescription {
  std::string name;
  std::string class_name;
  std::vector<std::pair<std::string, PropertyValue>> properties;
  std::vector<ObjectDescription> children;
};

// Objects nest at most this deep, the root being depth 1.
inline constexpr int kMaxObjectDepth = 32;

// Parses the text form; malformed text raises EReadError naming the line.
// Integers range from -2147483648 to 4294967295 (colours are 32-bit patterns).
ObjectDescription ParseFormDescription(std::string_view text);

}  // namespace snx
