#include "framework/core/stored_description.h"

#include <map>

namespace snx {

namespace {

// Filled while the program starts, read only afterwards.
std::map<std::string_view, std::string_view>& Stored() {
  static std::map<std::string_view, std::string_view> stored;
  return stored;
}

}  // namespace

TStoredDescription::TStoredDescription(std::string_view class_name, std::string_view text) {
  Stored().emplace(class_name, text);
}

std::optional<std::string_view> FindStoredDescription(std::string_view class_name) {
  const auto found = Stored().find(class_name);
  if (found == Stored().end()) return std::nullopt;
  return found->second;
}

}  // namespace snx
