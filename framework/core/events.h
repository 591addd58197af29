#pragma once
// Event types: optional callbacks bound to an object; raised only when assigned.
#include <cstdint>
#include <functional>

namespace snx {

class TObject;

enum class TMouseButton : std::uint8_t { mbLeft = 0, mbRight = 1, mbMiddle = 2 };

enum class TShiftMember : std::uint8_t { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };

class TShiftState {
 public:
  constexpr TShiftState() = default;
  constexpr explicit TShiftState(TShiftMember m) : bits_(Bit(m)) {}
  constexpr bool Contains(TShiftMember m) const { return (bits_ & Bit(m)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr TShiftState& operator+=(TShiftMember m) {
    bits_ = static_cast<std::uint8_t>(bits_ | Bit(m));
    return *this;
  }
  friend constexpr bool operator==(TShiftState, TShiftState) = default;

 private:
  static constexpr std::uint8_t Bit(TShiftMember m) {
    return static_cast<std::uint8_t>(1u << static_cast<unsigned>(m));
  }
  std::uint8_t bits_ = 0;
};

enum class TCloseAction : std::uint8_t { caNone, caHide, caFree, caMinimize };

using TNotifyEvent = std::function<void(TObject* sender)>;
using TMouseEvent = std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;
using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;

}  // namespace snx
