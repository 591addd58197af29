// The settings file's integer and Boolean rules on arbitrary text: never a
// crash, and whatever reads as an integer reads back the same once the
// program has written it (in decimal).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "framework/core/ini_file.h"

namespace {

class OneValueIni : public snx::TCustomIniFile {
 public:
  explicit OneValueIni(std::string value) : TCustomIniFile("Sonalix.ini"), value_(std::move(value)) {}
  std::string ReadString(const std::string&, const std::string&, const std::string&) override { return value_; }
  void WriteString(const std::string&, const std::string&, const std::string& value) override { value_ = value; }
  void DeleteKey(const std::string&, const std::string&) override { value_.clear(); }

 private:
  std::string value_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::optional<std::int32_t> parsed = snx::ParseIniInteger(text);

  OneValueIni ini(text);
  const std::int32_t read = ini.ReadInteger("Main", "MainX", 300);
  const bool top = ini.ReadBool("Main", "Top", false);
  if (read != parsed.value_or(300) || top != (parsed.value_or(0) != 0)) std::abort();

  if (parsed) {
    ini.WriteInteger("Main", "MainX", *parsed);
    if (ini.ReadInteger("Main", "MainX", 0) != *parsed) std::abort();
  }
  return 0;
}
