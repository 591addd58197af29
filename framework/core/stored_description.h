#pragma once
// Form descriptions built into the program, found by their form's class name
// as Win32 finds them among the program's resources, for forms on a platform
// without resources (Linux, the unit tests' stand-in). The build stores each
// one (sonalix_embed_text with FORM) in an object that registers it as the
// program starts; a library of forms is an object library, so that its
// descriptions reach every program that links it.
#include <optional>
#include <string_view>

namespace snx {

class TStoredDescription {
 public:
  TStoredDescription(std::string_view class_name, std::string_view text);
};

// The description stored under `class_name`, if one is.
std::optional<std::string_view> FindStoredDescription(std::string_view class_name);

}  // namespace snx
