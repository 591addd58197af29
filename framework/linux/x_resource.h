#pragma once
// An X resource (a pixmap, a drawing context) that frees itself with its
// display's call when it goes.
#include <X11/Xlib.h>

#include <utility>

namespace snx {

template <class Handle, int (*Free)(Display*, Handle)>
class TXResource {
 public:
  TXResource() = default;
  TXResource(Display* display, Handle handle) : display_(display), handle_(handle) {}
  TXResource(const TXResource&) = delete;
  TXResource& operator=(const TXResource&) = delete;
  TXResource(TXResource&& other) noexcept
      : display_(std::exchange(other.display_, nullptr)), handle_(std::exchange(other.handle_, Handle{})) {}
  TXResource& operator=(TXResource&& other) noexcept {
    if (this != &other) {
      reset();
      display_ = std::exchange(other.display_, nullptr);
      handle_ = std::exchange(other.handle_, Handle{});
    }
    return *this;
  }
  ~TXResource() { reset(); }

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != Handle{}; }
  void reset() {
    if (display_ != nullptr && handle_ != Handle{}) Free(display_, handle_);
    display_ = nullptr;
    handle_ = Handle{};
  }

 private:
  Display* display_ = nullptr;
  Handle handle_{};
};

using UniquePixmap = TXResource<Pixmap, XFreePixmap>;
using UniqueGC = TXResource<GC, XFreeGC>;

}  // namespace snx
