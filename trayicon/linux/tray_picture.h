#pragma once
// Pictures for tray icons on Linux: pixels with a handle that an icon
// view can carry. The tray keeps the handles; a picture that has gone
// shows as no picture.
#include <cstdint>
#include <vector>

#include "trayicon/core/icon.h"

namespace snx {

struct TTrayPicture {
  int width = 0;
  int height = 0;
  // Rows top-down, each pixel 0xAARRGGBB.
  std::vector<std::uint32_t> argb;

  bool operator==(const TTrayPicture&) const = default;
};

class TTrayPictureImage final : public TIconImage {
 public:
  TTrayPictureImage(TIconHandle handle, TTrayPicture picture) : handle_(handle), picture_(std::move(picture)) {}
  TIconHandle Handle() const override { return handle_; }
  const TTrayPicture& Picture() const { return picture_; }

 private:
  TIconHandle handle_;
  TTrayPicture picture_;
};

// The program's icon, the same picture as the Windows one (drawn by the
// build from main/win32/MAINICON.ico).
TTrayPicture ProgramIconPicture();

}  // namespace snx
