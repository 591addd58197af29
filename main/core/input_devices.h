#pragma once
// The inputs the user can choose to meter, as the platform lists them now.
#include <string>
#include <vector>

namespace snx {

struct TInputDevice {
  // What the choice is remembered and opened by; never empty.
  std::string id;
  // What the menu shows.
  std::string label;
  bool operator==(const TInputDevice&) const = default;
};

class TInputDevices {
 public:
  // In the system's order; asked on the user-interface thread each time
  // the menu opens, so it must not wait on anything.
  virtual std::vector<TInputDevice> InputDevices() = 0;

 protected:
  ~TInputDevices() = default;
};

}  // namespace snx
