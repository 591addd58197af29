// The form description parser on arbitrary text: a tree or EReadError,
// never a crash; integers it accepts either fit or are refused on access.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "framework/core/form_description.h"
#include "framework/core/object.h"

namespace {

void Visit(const snx::ObjectDescription& object) {
  for (const auto& [name, value] : object.properties) {
    if (value.kind != snx::PropertyValue::Kind::vkInteger) continue;
    try {
      value.AsInteger();
    } catch (const snx::EReadError&) {
      // Out of the 32-bit signed range: refused, as it should be.
    }
  }
  for (const snx::ObjectDescription& child : object.children) Visit(child);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    Visit(snx::ParseFormDescription(std::string_view(reinterpret_cast<const char*>(data), size)));
  } catch (const snx::EReadError&) {
    // Malformed text: the error is the expected outcome.
  }
  return 0;
}
